// What the console needs from the OS: a safe start and the operator's pause.
#ifndef LPTFLASH_PLATFORM_CONSOLE_H
#define LPTFLASH_PLATFORM_CONSOLE_H

// Makes console writes fail quietly instead of ending the process (a closed pipe must not
// kill a run in the middle of a chip access).
void prepareConsole();

// Flushes standard output, shows the OS's pause prompt and waits for one key.
void pauseForKey();

#endif
