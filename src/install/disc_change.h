// The discs of a title on several discs: each known by its Setup.dsk, looked for where a
// player keeps them (the drive of the first, every CD-ROM drive, a folder copy beside the
// first) and asked for when none holds it.
#pragma once

enum DiscChange { DISC_BAD_LINE = -1, DISC_CANCELLED = 0, DISC_READY = 1, DISC_SAME = 2 };

// At the start of the script: {source}'s Setup.dsk, when it has one, says how many discs the
// title has and over how many bytes the bar runs. {source} is disc 1.
void BeginDiscs(void);
// A 'V' line: disc number (0 for a line that names none) makes {source} the folder that holds
// it. DISC_READY when it does; DISC_SAME for the disc in use, and for any 'V' line of a title
// on one disc (a comment there, as it always was); DISC_CANCELLED when the player cancelled
// the question, or a quiet run found the disc nowhere (exit code 1602); DISC_BAD_LINE for a
// number this title does not have, or one below the disc in use.
int ChangeDisc(int number);
// {source} named disc 1 again, as the install started.
void EndDiscs(void);
// 1 once the run stopped at a disc the player did not give.
int DiscChangeCancelled(void);

enum DiscFound { DISC_NONE = 0, DISC_RIGHT = 1, DISC_OTHER_TITLE = 2, DISC_OTHER_NUMBER = 3 };
// What folder holds: disc number of this title, another title's disc, another disc of this
// title (its number in *held), or no readable Setup.dsk.
int IdentifyDisc(const char *folder, int number, int *held);
