#pragma once

// The labelled times under a time line's channel: round times as close together as their
// labels allow, for whatever span is in view (a whole film or a tenth of a second).
// Pure functions; GUI thread (they measure with the widget's font).

#include <QFontMetrics>
#include <QString>

#include <cstdint>
#include <vector>

struct TRulerMark {
    int64_t time; // milliseconds
    int x;        // widget coordinate of the time
    QString text;
};

// The marks of the view [from, to] ms drawn over a channel starting at x `left`, `width`
// pixels wide; labels `metrics` wide with a gap of at least `gap` pixels between them.
std::vector<TRulerMark> RulerMarks(int64_t from, int64_t to, int left, int width,
                                   const QFontMetrics& metrics, int gap = 10);

// A mark's text at a spacing of `step` ms in a view that reaches `to` ms: m:ss or h:mm:ss,
// with as many decimals as the step needs.
QString RulerText(int64_t ms, int64_t step, int64_t to);
