// SPDX-License-Identifier: MIT
// What the console needs from the OS: a safe start and the operator's pause.
#ifndef LPTFLASH_PLATFORM_CONSOLE_H
#define LPTFLASH_PLATFORM_CONSOLE_H

// Makes console writes fail quietly instead of ending the process (a closed pipe must not
// kill a run in the middle of a chip access), and puts /dev/null on closed standard descriptors
// before any file or port device could take their numbers. Call before loading the port library.
// On a terminal, keys typed from then on are not echoed (they would land in the report), and the
// operator's settings come back on every way out: exit, every signal that ends or stops the
// program (what the parent ignores stays ignored); a continued program takes the terminal again.
void prepareConsole();

// Flushes standard output, shows the OS's pause prompt and waits for one key pressed after it
// (on a terminal, keys typed before are dropped and a key's whole sequence is taken), then gives
// the terminal back as the operator had it.
void pauseForKey();

#endif
