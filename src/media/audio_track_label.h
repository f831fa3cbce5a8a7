#pragma once

// The text a person chooses an audio stream by: "N: [title, ]lang, Codec layout", e.g.
// "2: fra, AC-3 5.1", "3: Commentary, eng, AC-3 stereo", or "1: AC-3 stereo" when the
// container records neither. N counts from 1 in TMediaAudioStream::ListAudioTracks order, the
// numbering of --list-tracks and --audio-track. Any thread.

#include "media/media_audio_stream.h"

#include <QString>
#include <QStringList>

#include <vector>

// "AC-3", "MP2", "PCM", ... for FFmpeg's short codec name; unknown ones upper-cased.
QString AudioCodecDisplayName(const QString& codec);

// "mono", "stereo", "5.1", "7.1", else "N ch"; empty when the count is unknown (0).
QString ChannelLayoutText(int channels);

// The choice text of track `number` (1-based).
QString AudioTrackLabel(int number, const TMediaTrackInfo& track);

// The choice texts of every track, in order.
QStringList AudioTrackLabels(const std::vector<TMediaTrackInfo>& tracks);
