// Removal of the staged uninstaller {common}\{maker}\Setup.exe and of the maker store:
// at once from a disc, otherwise at the next restart of the system.
#pragma once

// 1 when the targets were deleted or scheduled, 0 when the platform is unknown.
int RemoveStagedUninstaller(void);

// Has the system delete each path (a file, or a folder empty by then), in this order, at its
// next restart: what a running program cannot delete of itself. At most 16 paths on the
// 95/98/Me family. 1 when scheduled, 0 when the platform is unknown.
int RemoveAtRestart(const char *const *paths, int count);

// Adds one "NUL=<path>" line per path to the end of the section [rename] of a wininit.ini
// text (creating the section when missing), keeping every line already there. Returns
// the new length, or -1 when out is too small.
int AddWininitDeletions(const char *text, int length, const char *const *paths, int count,
                        char *out, int outSize);

// Adds those lines to the restart file at path (created when it is not there) so that at
// every moment one whole version of it exists; 0, with the file as it was, when it cannot be
// read whole or replaced.
int ScheduleRestartDeletions(const char *wininit, const char *const *paths, int count);

// Takes each path off the deletions the system does at its next restart (an uninstall's or a
// cancelled install's), for an install has put something of its own there since; every other
// entry stays as it was. taken[i] becomes 1 for each path that was scheduled. At most 16
// paths. 1 when done or nothing was scheduled.
int KeepAtRestart(const char *const *paths, int count, int *taken);

// Removes from text[0..length), in place, the "NUL=<path>" lines of the section [rename] whose
// path is one of paths (ASCII letters in either case); every other line stays. taken[i]
// becomes 1 for each path a line named. The new length.
int DropWininitDeletions(char *text, int length, const char *const *paths, int count, int *taken);
