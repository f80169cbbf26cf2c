# The sample title: its game executable (string-table entry 3) is built from game/.
set(PRODUCT_GAME_NAME AoHoshi)
