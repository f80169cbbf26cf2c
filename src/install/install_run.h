// The work of "Setup.exe Install {source}": copy, register, report, restart the menu.
#pragma once

// 1 when everything went in; 0 when the run stopped or something could not be made (said).
int RunInstall(void);
// Opens {install}\{readme}: Notepad for ".txt", the shell for ".htm"/".html".
void OpenReadme(void);
