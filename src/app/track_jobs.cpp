#include "app/track_jobs.h"

#include "audio/pipeline/audio_file_reader.h"

void MakeTrackJobs(const TTrackList& List, const TCurrentTag& Common, bool PerformerAsArtist,
                   std::vector<TTrackJob>& Jobs, std::vector<TTrackNameFields>& Names) {
    const int count = int(List.Tracks.size());
    for (int k = 0; k < count; ++k) {
        const TTrackEntry& entry = List.Tracks[size_t(k)];
        TTrackJob job;
        job.Start = entry.Start;
        job.End = entry.End;
        job.Tag = Common;
        job.Tag.Title = entry.Title.isEmpty() ? DefaultTrackTitle(k + 1, false) : entry.Title;
        if (PerformerAsArtist && !entry.Performer.isEmpty())
            job.Tag.Artist = entry.Performer;
        job.Track = QStringLiteral("%1/%2").arg(k + 1).arg(count);
        Names.push_back({k + 1, count, job.Tag.Title, job.Tag.Artist, job.Tag.Album});
        Jobs.push_back(job);
    }
}

std::vector<TRipJob> RipJobs(const std::vector<TTrackJob>& Jobs, const TAudioFileReader& Reader) {
    std::vector<TRipJob> jobs;
    const int64_t origin = Reader.TimeToSample(Reader.StartTime);
    for (const TTrackJob& track : Jobs) {
        TRipJob job;
        job.First = Reader.TimeToSample(track.Start) - origin;
        job.End = track.End < 0 ? -1 : Reader.TimeToSample(track.End) - origin;
        job.FileName = track.FileName;
        job.Tag = {track.Tag.Title, track.Tag.Artist,  track.Tag.Album, track.Tag.Year,
                   track.Track,     track.Tag.Comment, track.Tag.Genre};
        job.Replace = track.Replace;
        jobs.push_back(job);
    }
    return jobs;
}
