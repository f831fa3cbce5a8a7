#pragma once

// A DVD title with a block of two camera angles, made at test time. dvdauthor has no angles,
// so the disc it authors is rewritten as a multi-angle disc has it: the block's two cells
// become an angle block in the program chain, the title counts two angles in VIDEO_TS.IFO,
// and, interleaved, the two angles' video object units alternate on the disc in interleaved
// units, each navigation pack telling where its unit ends, where the angle's next unit
// starts (the interleaving fields, the next-VOBU search field) and where each angle goes on
// (the seamless angle fields); the cell, cell address, VOBU address and time map tables
// follow the moved sectors. Nothing is kept between runs. Test threads only.
//
// The disc, title 1 (title set 1), three chapters:
//   1: dvd_title_b.mpg (kTitleBSeconds);
//   2: the angle block (kTitleASeconds): angle 1 is dvd_title_a.mpg (audio 1 kTitleAEng,
//      audio 2 kTitleAFra), angle 2 dvd_title_a2.mpg (the same pictures, kTitleAFra first);
//   3: the cells of chapter 1 once more.
// Interleaved, the angles' units are kAngleUnitVobus VOBUs long (the last ones shorter),
// angle 1's unit first; contiguous, angle 2's cell follows angle 1's whole.

#include <QString>

enum class TAngleLayout { alInterleaved, alContiguous };

inline constexpr int kAngleUnitVobus = 2;

// The folder holding VIDEO_TS, or empty with the reason in *Error: dvdauthor failed, or the
// rewritten disc does not read back as described above. The generator checks itself with
// libdvdread's own readers: its title and cell tables, and each angle followed through the
// navigation packs both by interleaved unit and by next VOBU, sector for sector the angle's
// own VOB as dvdauthor made it.
QString MakeAngleDvd(const QString& Hint, TAngleLayout Layout, QString* Error = nullptr);

// Damages the disc of MakeAngleDvd (interleaved): the navigation pack that starts interleaved
// unit `Unit` (0-based) of angle `Angle` sends the angle on to a sector far past the block.
// False when there is no such unit.
bool BreakAngleUnit(const QString& Root, int Angle, int Unit);
