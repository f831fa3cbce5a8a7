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

TTrackJob OneFileJob(const std::vector<TTrackJob>& Tracks) {
    TTrackJob one;
    if (Tracks.empty())
        return one;
    one.Start = Tracks.front().Start;
    one.End = Tracks.back().End;
    one.Tag = Tracks.front().Tag;
    // The file is the album; each track keeps its title in its chapter.
    one.Tag.Title = one.Tag.Album;
    for (const TTrackJob& track : Tracks)
        one.Chapters.push_back({track.Start, track.End, track.Tag.Title});
    return one;
}

std::vector<TRipJob> RipJobs(const std::vector<TTrackJob>& Jobs, const TAudioFileReader& Reader) {
    std::vector<TRipJob> jobs;
    const int64_t origin = Reader.TimeToSample(Reader.StartTime);
    // Each time to its sample the one way the reader finds it, so jobs meet to the sample.
    const auto sample = [&](TMediaTime time) { return Reader.TimeToSample(time) - origin; };
    for (const TTrackJob& track : Jobs) {
        TRipJob job;
        job.First = sample(track.Start);
        job.End = track.End < TMediaTime() ? -1 : sample(track.End);
        job.FileName = track.FileName;
        job.Tag = {track.Tag.Title, track.Tag.Artist,  track.Tag.Album, track.Tag.Year,
                   track.Track,     track.Tag.Comment, track.Tag.Genre};
        job.Replace = track.Replace;
        for (const TTrackJob::TChapter& c : track.Chapters)
            job.Chapters.push_back({sample(c.Start), sample(c.End), c.Title});
        jobs.push_back(job);
    }
    return jobs;
}
