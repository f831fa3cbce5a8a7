#pragma once

// Ctrl+C, `kill` and a closed terminal during a command's rip: the signal only sets a
// flag, which the command's main thread polls and answers by aborting the run, so that
// the output's temporary file is removed rather than left behind. A file size limit
// (SIGXFSZ) is ignored, so that it ends the run with an error instead of killing it.
//
// Threads: CatchInterrupts and Interrupted on the main thread; the flag is an atomic
// written by the handler.

// Installs the handlers for SIGINT, SIGTERM and SIGHUP (and ignores SIGXFSZ); clears the
// flag.
void CatchInterrupts();
// One of those signals has come since CatchInterrupts.
bool Interrupted();
