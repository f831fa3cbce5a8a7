#include "app/dvd_choice.h"

#include "app/common.h"
#include "app/track_names.h"
#include "media/dvd/dvd_path.h"
#include "media/dvd/dvd_sector.h"

#include <QCoreApplication>

namespace {

TDvdFault FaultOf(media::TMediaResult code) {
    switch (code) {
    case media::MS_E_DVD_NOTDVD:
        return TDvdFault::dfNotDvd;
    case media::MS_E_DVD_DAMAGED:
        return TDvdFault::dfDamaged;
    case media::MS_E_DVD_SHORT:
        return TDvdFault::dfShort;
    case media::MS_E_DVD_ENCRYPTED:
        return TDvdFault::dfEncrypted;
    case media::MS_E_DVD_NOTITLE:
        return TDvdFault::dfNoTitle;
    case media::MS_E_DVD_NAVIGATION:
        return TDvdFault::dfNavigation;
    default:
        return TDvdFault::dfRead;
    }
}

QString ChapterCount(int chapters) {
    return chapters == 1 ? QCoreApplication::translate("DvdChoice", "1 chapter")
                         : QCoreApplication::translate("DvdChoice", "%1 chapters").arg(chapters);
}

QString AngleCount(int angles) {
    return angles == 1 ? QCoreApplication::translate("DvdChoice", "1 angle")
                       : QCoreApplication::translate("DvdChoice", "%1 angles").arg(angles);
}

int64_t TitleMs(const TDvdTitle& title) {
    return TMediaTime::From90kHz(title.Duration()).ToMs();
}

} // namespace

TMediaTime TDvdChoice::Length() const {
    return TMediaTime::From90kHz(info.timeline.Duration());
}

bool ChooseDvdTitle(const QString& path, int title, TDvdChoice& choice, int angle) {
    const QString root = dvd::DvdRootFor(path);
    if (root.isEmpty())
        return false;
    TDvdChoice made;
    {
        const std::unique_ptr<TDvdDisc> disc = TDvdDisc::Open(root);
        made.root = root;
        made.volume = disc->VolumeName();
        made.titles = disc->Titles();
        made.title = title > 0 ? title : disc->LongestTitle();
        if (made.title == 0)
            throw EDvdError(TDvdFault::dfDamaged,
                            QCoreApplication::translate(
                                "DvdChoice", "no title of the DVD can be played (title 1: %1)")
                                .arg(made.titles.empty() ? QString() : made.titles.front().fault));
        const TDvdTitle& chosen = disc->Title(made.title); // raises what keeps it from playing
        if (angle < 1 || angle > chosen.angles)
            throw EDvdError(TDvdFault::dfNoTitle,
                            QCoreApplication::translate("DvdChoice", "title %1 has %2, not %3")
                                .arg(QString::number(made.title), AngleCount(chosen.angles),
                                     QString::number(angle)));
        made.angle = angle;
    }
    made.locator = dvd::TitleLocator(root, made.title, made.angle);
    const media::TMediaResult result = media::ReadDvdTitleInfo(made.locator, made.info);
    if (media::Failed(result))
        throw EDvdError(FaultOf(result), media::ResultText(result));
    choice = std::move(made);
    return true;
}

QString DvdOutputName(const QString& volume, int title, int angle, int firstChapter,
                      int lastChapter) {
    QString name = volume.trimmed();
    for (QChar& c : name)
        if (c == u'/' || c == u'\\' || c.unicode() < 32 || c.unicode() == 127)
            c = u'_';
    if (name.isEmpty() || name == QStringLiteral(".") || name == QStringLiteral(".."))
        name = QStringLiteral("DVD");
    name += QStringLiteral("_t%1").arg(title, 2, 10, QChar(u'0'));
    if (angle > 1)
        name += QStringLiteral("_a%1").arg(angle);
    return name + ChapterNamePart(firstChapter, lastChapter);
}

QString DvdTitleLabel(const TDvdTitleEntry& entry) {
    if (!entry.fault.isEmpty())
        return QCoreApplication::translate("DvdChoice", "%1: cannot be played")
            .arg(entry.title.number);
    // h:mm:ss: the tenths add nothing to a choice between titles.
    const QString time = FormatTimeText(TitleMs(entry.title)).section(u'.', 0, 0);
    const QString label =
        QStringLiteral("%1: %2, %3")
            .arg(QString::number(entry.title.number), time, ChapterCount(entry.title.Chapters()));
    return entry.title.angles > 1 ? label + QStringLiteral(", ") + AngleCount(entry.title.angles)
                                  : label;
}

QString DvdAngleLabel(int angle, int angles) {
    return QCoreApplication::translate("DvdChoice", "Angle %1 of %2")
        .arg(QString::number(angle), QString::number(angles));
}

QString DvdTitleLine(const TDvdTitleEntry& entry) {
    const QString number = QString::number(entry.title.number).rightJustified(2);
    if (!entry.fault.isEmpty())
        return QCoreApplication::translate("DvdChoice", "%1  cannot be played: %2")
            .arg(number, entry.fault);
    QStringList audio;
    for (const TDvdAudioStream& a : entry.title.audio) {
        if (!a.available) {
            audio << QStringLiteral("%1: unavailable").arg(a.number);
            continue;
        }
        // The disc's own text only as single multi-argument fills: a "%1" in it stays.
        audio << QStringLiteral("%1: %2%3 %4ch")
                     .arg(QString::number(a.number),
                          a.language.isEmpty() ? QString() : a.language + u' ', a.codec,
                          QString::number(a.channels));
    }
    QString chapters = ChapterCount(entry.title.Chapters()).leftJustified(11);
    if (entry.title.angles > 1)
        chapters += QStringLiteral("  ") + AngleCount(entry.title.angles);
    return QStringLiteral("%1  %2  %3  %4")
        .arg(number, FormatTimeText(TitleMs(entry.title)), chapters,
             audio.isEmpty() ? QCoreApplication::translate("DvdChoice", "no audio")
                             : audio.join(QStringLiteral(", ")))
        .trimmed();
}
