#pragma once

// Ctrl+C, `kill` and a closed terminal during a command's rip. Until the run begins
// (opening the source, reading a track list, which may wait on a pipe or a slow device
// for ever) nothing needs cleaning up, so a signal ends the program at once, as it would
// without a handler. From the run on, the signal only sets a flag, which the command's
// main thread polls and answers by aborting the run, so that the output's temporary file
// is removed rather than left behind. A file size limit (SIGXFSZ) is ignored, so that it
// ends the run with an error instead of killing it.
//
// Threads: CatchInterrupts, DeferInterrupts and Interrupted on the main thread; the
// handler reads and writes only lock-free atomics.

// Installs the handlers for SIGINT, SIGTERM and SIGHUP (and ignores SIGXFSZ), ending the
// program at once; clears the flag.
void CatchInterrupts();
// From now on, those signals set the flag instead (call before the run writes anything).
void DeferInterrupts();
// One of those signals has come since DeferInterrupts.
bool Interrupted();
