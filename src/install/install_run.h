// The work of "Setup.exe Install {source}": copy, register, report, restart the menu.
#pragma once

void RunInstall(void);
// Opens {install}\{readme}: Notepad for ".txt", the shell for ".htm"/".html".
void OpenReadme(void);
