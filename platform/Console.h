// What the console needs from the OS: a safe start and the operator's pause.
#ifndef LPTFLASH_PLATFORM_CONSOLE_H
#define LPTFLASH_PLATFORM_CONSOLE_H

// Makes console writes fail quietly instead of ending the process (a closed pipe must not
// kill a run in the middle of a chip access), and puts /dev/null on closed standard descriptors
// before any file or port device could take their numbers. Call before loading the port library.
void prepareConsole();

// Flushes standard output, shows the OS's pause prompt and waits for one key pressed after it
// (on a terminal, keys typed before are dropped and a key's whole sequence is taken); the
// terminal's settings come back on every way out, a signal's included.
void pauseForKey();

#endif
