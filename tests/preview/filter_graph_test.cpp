// TFilterGraph against a scripted graph: the bookkeeping, the control answers, the
// volume curve and the event dispatch.
#include "fake_graph.h"
#include "playback_helpers.h"
#include "support/test_env.h"

#include "mediagraph/running_object_table.h"
#include "preview/filter_graph.h"
#include "preview/media_util.h"

#include <gtest/gtest.h>

using namespace media;

namespace {

struct Member : IGraphMember {
    CallLog* log;
    QString name;
    std::shared_ptr<FakeFilter> filter;
    Member(CallLog* l, QString n) : log(l), name(n), filter(std::make_shared<FakeFilter>(l, n)) {}
    std::shared_ptr<IBaseFilter> MemberFilter() override { return filter; }
    QString MemberName() override { return name; }
    void MemberNotify(TMemberOperation op, int param) override {
        log->Add(QStringLiteral("%1.MemberNotify(%2,%3)").arg(name).arg(op).arg(param));
    }
};

struct Sink : IGraphEventSink {
    CallLog* log;
    explicit Sink(CallLog* l) : log(l) {}
    void GraphNotification(long code, LONG_PTR p1, LONG_PTR p2) override {
        log->Add(QStringLiteral("GraphNotification(%1,%2,%3)").arg(code).arg(p1).arg(p2));
    }
    void ControlNotification(TControlNotification kind, int param) override {
        log->Add(QStringLiteral("ControlNotification(%1,%2)").arg(kind).arg(param));
    }
};

struct Fixture : ::testing::Test {
    CallLog log;
    std::shared_ptr<FakeGraph> fake;
    ScopedClass graphClass{CLSID_FilterGraph, [this] {
                               fake = std::make_shared<FakeGraph>(&log);
                               return std::shared_ptr<IUnknown>(fake);
                           }};
    TFilterGraph graph;
    Sink sink{&log};
    QStringList Take() {
        QStringList c = log.calls;
        log.Clear();
        return c;
    }
};

using FilterGraph = Fixture;

} // namespace

TEST_F(FilterGraph, SettingActiveToItsCurrentValueDoesNothing) {
    graph.InsertEventSink(&sink);
    graph.SetActive(false);
    EXPECT_TRUE(Take().isEmpty());
    graph.SetActive(true);
    EXPECT_TRUE(Take().contains(QStringLiteral("ControlNotification(7,1)")));
    graph.SetActive(true);
    EXPECT_TRUE(Take().isEmpty());
    graph.RemoveEventSink(&sink);
}

TEST_F(FilterGraph, ActivationWiresEventsAndAddsMembersBeforeOnActivate) {
    Member member(&log, QStringLiteral("VideoWin"));
    graph.InsertMember(&member); // inactive: nothing reaches a graph yet
    graph.InsertEventSink(&sink);
    graph.OnActivate = [this](QObject*) { log.Add(QStringLiteral("OnActivate")); };
    EXPECT_TRUE(Take().isEmpty());
    graph.SetActive(true);
    EXPECT_EQ(Take(), (QStringList{"SetNotifyFlags(0)", "SetNotifyWindow(8001)", "SetLogFile(none)",
                                   "VideoWin.MemberNotify(0,0)", "AddFilter(VideoWin)",
                                   "VideoWin.MemberNotify(1,0)", "OnActivate",
                                   "ControlNotification(7,1)"}));
    EXPECT_EQ(fake->site, static_cast<IUnknown*>(static_cast<IAMFilterGraphCallback*>(&graph)));

    auto previous = fake;
    graph.SetActive(false);
    EXPECT_EQ(Take(), (QStringList{"ControlNotification(7,0)", "VideoWin.MemberNotify(2,0)",
                                   "RemoveFilter(VideoWin)", "VideoWin.MemberNotify(3,0)",
                                   "SetNotifyFlags(1)", "SetLogFile(none)"}));
    EXPECT_EQ(previous->site, nullptr); // the released graph no longer points back
    EXPECT_EQ(graph.MemberCount(), 1);  // members outlive the graph
    graph.RemoveMember(&member);
    graph.RemoveEventSink(&sink);
}

TEST_F(FilterGraph, ListsAreFreedWhenEmptiedAndRemadeOnInsertion) {
    Member a(&log, QStringLiteral("a")), b(&log, QStringLiteral("b"));
    EXPECT_FALSE(graph.HasMemberList());
    graph.InsertMember(&a);
    graph.InsertMember(&b);
    graph.RemoveMember(&a);
    EXPECT_TRUE(graph.HasMemberList());
    graph.RemoveMember(&b);
    EXPECT_FALSE(graph.HasMemberList());
    graph.RemoveMember(&b); // no list: nothing
    graph.InsertMember(&a);
    EXPECT_EQ(graph.MemberCount(), 1);
    graph.RemoveMember(&a);

    graph.InsertEventSink(&sink);
    graph.RemoveEventSink(&sink);
    EXPECT_FALSE(graph.HasSinkList());
    graph.InsertEventSink(&sink);
    EXPECT_EQ(graph.SinkCount(), 1);
    graph.RemoveEventSink(&sink);
}

TEST_F(FilterGraph, RenderFileWithoutAGraphAnswersS_FALSEAndTellsNoSink) {
    graph.InsertEventSink(&sink);
    EXPECT_EQ(graph.RenderFile(QStringLiteral("/x.vob")), S_FALSE);
    EXPECT_FALSE(graph.Play());
    EXPECT_FALSE(graph.Pause());
    EXPECT_FALSE(graph.Stop());
    EXPECT_TRUE(Take().isEmpty());

    graph.SetActive(true);
    Take();
    EXPECT_EQ(graph.RenderFile(QStringLiteral("/x.vob")), S_OK);
    EXPECT_EQ(Take(), (QStringList{"ControlNotification(3,0)", "RenderFile(/x.vob)",
                                   "put_Volume(0)", "put_Balance(0)", "put_Volume(0)",
                                   "put_Balance(0)", "SetRate(1)", "ControlNotification(4,0)"}));
    fake->renderResult = VFW_E_UNKNOWN_FILE_TYPE;
    try {
        graph.RenderFile(QStringLiteral("/y.vob"));
        FAIL() << "no exception";
    } catch (const EDirectShowException& e) {
        EXPECT_EQ(e.ErrorCode(), VFW_E_UNKNOWN_FILE_TYPE);
        EXPECT_EQ(e.Message(),
                  QStringLiteral("The media type of this file is not recognized. ($80040240)."));
    }
    EXPECT_FALSE(Take().contains(QStringLiteral("ControlNotification(4,0)")));
    graph.RemoveEventSink(&sink);
}

TEST_F(FilterGraph, PlayPauseAndStopTurnResultCodesIntoAnswers) {
    graph.SetActive(true);
    graph.InsertEventSink(&sink);
    Take();
    fake->runResult = S_FALSE;
    fake->pauseResult = S_FALSE;
    EXPECT_TRUE(graph.Play()); // a transition still under way is a success for Play
    EXPECT_FALSE(graph.Pause());
    EXPECT_EQ(Take(), (QStringList{"ControlNotification(0,0)", "Run", "ControlNotification(1,0)",
                                   "Pause"}));
    fake->pauseResult = S_OK;
    fake->stopResult = S_FALSE;
    EXPECT_TRUE(graph.Pause());
    EXPECT_FALSE(graph.Stop());
    fake->runResult = E_FAIL;
    try {
        graph.Play();
        FAIL() << "no exception";
    } catch (const EDirectShowException& e) {
        EXPECT_EQ(e.ErrorCode(), E_FAIL);
        EXPECT_EQ(e.Message(), QStringLiteral("Unspecified error. ($80004005)."));
    }
    graph.RemoveEventSink(&sink);
}

TEST_F(FilterGraph, VolumeAndBalanceAreClampedAndSentInDecibels) {
    graph.SetActive(true);
    Take();
    graph.SetVolume(20000);
    EXPECT_EQ(graph.Volume(), 10000);
    graph.SetBalance(-20000);
    EXPECT_EQ(graph.Balance(), -10000);
    EXPECT_EQ(Take(), (QStringList{"put_Volume(0)", "put_Balance(0)", "put_Volume(0)",
                                   "put_Balance(-10000)"}));
    graph.SetVolume(100);
    EXPECT_EQ(Take(), (QStringList{"put_Volume(-4989)", "put_Balance(-10000)"}));

    graph.SetLinearVolume(false); // re-applies both, twice
    EXPECT_EQ(Take().first(), QStringLiteral("put_Volume(-9900)"));
    graph.SetVolume(0);
    graph.SetBalance(2500);
    EXPECT_EQ(Take(), (QStringList{"put_Volume(-10000)", "put_Balance(-10000)",
                                   "put_Volume(-10000)", "put_Balance(2500)"}));
    graph.SetLinearVolume(false);
    EXPECT_TRUE(Take().isEmpty());
}

TEST(FilterGraphCurve, LinearToVolumeAndBalanceFollowTheLogCurve) {
    const std::pair<int, long> samples[] = {{0, -10000},  {1, -9247}, {100, -4989}, {1000, -2499},
                                            {5000, -752}, {9999, 0},  {10000, 0}};
    for (auto [in, out] : samples)
        EXPECT_EQ(TFilterGraph::LinearToVolume(in), out) << in;
    EXPECT_EQ(TFilterGraph::LinearToBalance(0), 0);
    EXPECT_EQ(TFilterGraph::LinearToBalance(10000), 10000);
    EXPECT_EQ(TFilterGraph::LinearToBalance(-10000), -10000);
    EXPECT_EQ(TFilterGraph::LinearToBalance(-1), -753);
    EXPECT_EQ(TFilterGraph::LinearToBalance(1), 753);
}

TEST_F(FilterGraph, InterfacesComeFromTheGraphOnlyWhileActive) {
    EXPECT_FALSE(graph.Query<IMediaSeeking>());
    EXPECT_TRUE(graph.Query<IServiceProvider>()); // the component's own
    graph.SetActive(true);
    EXPECT_EQ(graph.Query<IMediaSeeking>().get(), static_cast<IMediaSeeking*>(fake.get()));
    graph.SetRate(1.5);
    EXPECT_EQ(fake->rate, 1.5);
    IUnknown* found = nullptr;
    EXPECT_EQ(graph.QueryService(TFilterGraph::ComponentServiceId, TFilterGraph::ComponentServiceId,
                                 found),
              S_OK);
    EXPECT_EQ(dynamic_cast<TFilterGraph*>(found), &graph);
    EXPECT_EQ(graph.QueryService(TFilterGraph::ComponentServiceId, QUuid(), found), E_NOINTERFACE);
}

TEST_F(FilterGraph, EventsReachSinksThenOnDSEventThenTheirOwnEventOnTheMainThread) {
    graph.SetActive(true);
    graph.InsertEventSink(&sink);
    graph.OnDSEvent = [this](QObject*, long code, LONG_PTR, LONG_PTR) {
        log.Add(QStringLiteral("OnDSEvent(%1)").arg(code));
    };
    graph.OnGraphComplete = [this](QObject*, HRESULT result, LONG_PTR) {
        log.Add(QStringLiteral("OnGraphComplete(%1)").arg(result));
    };
    int width = 0, height = 0;
    graph.OnGraphVideoSizeChanged = [&](QObject*, int w, int h) {
        width = w;
        height = h;
    };
    Take();
    fake->Fire(EC_COMPLETE, 0, 0);
    fake->Fire(EC_VIDEO_SIZE_CHANGED, (576 << 16) | 720, 0);
    fake->Fire(0x999, 5, 6); // unknown: sinks and OnDSEvent only
    EXPECT_TRUE(WaitUntil([&] { return fake->events.empty(); }));
    const QStringList calls = Take();
    EXPECT_EQ(calls.mid(0, 4), (QStringList{"GraphNotification(1,0,0)", "OnDSEvent(1)",
                                            "OnGraphComplete(0)", "FreeEventParams(1)"}));
    EXPECT_TRUE(calls.contains(QStringLiteral("OnDSEvent(2457)")));
    EXPECT_EQ(width, 720);
    EXPECT_EQ(height, 576);
    graph.RemoveEventSink(&sink);
}

TEST_F(FilterGraph, AFailingEventHandlerIsReportedAndTheQueueStillDrains) {
    QStringList reported;
    TFilterGraph::SetExceptionReporter(
        [&](const std::exception& e) { reported << ExceptionMessage(e); });
    graph.SetActive(true);
    graph.OnGraphComplete = [](QObject*, HRESULT, LONG_PTR) { CheckMediaResult(E_ABORT); };
    fake->Fire(EC_COMPLETE);
    EXPECT_TRUE(WaitUntil([&] { return !reported.isEmpty(); }));
    EXPECT_EQ(reported.first(), QStringLiteral("Operation aborted. ($80004004)."));
    graph.OnGraphComplete = nullptr;
    fake->Fire(EC_COMPLETE);
    EXPECT_TRUE(WaitUntil([&] { return fake->events.empty(); }));
    TFilterGraph::SetExceptionReporter(nullptr);
}

TEST_F(FilterGraph, ClearGraphKeepsOnlyTheMembersFiltersUnconnected) {
    Member member(&log, QStringLiteral("VideoWin"));
    AddConnectedPin(member.filter);
    graph.InsertMember(&member);
    graph.SetActive(true);
    auto other = std::make_shared<FakeFilter>(&log, QStringLiteral("decoder"));
    AddConnectedPin(other);
    AddConnectedPin(other);
    fake->AddFilter(other, QStringLiteral("decoder"));
    Take();
    graph.ClearGraph();
    EXPECT_EQ(Take(), (QStringList{"Stop", "Disconnect", "Disconnect", "Disconnect",
                                   "RemoveFilter(decoder)"}));
    ASSERT_EQ(fake->filters.size(), 1u);
    EXPECT_EQ(fake->filters[0].second, QStringLiteral("VideoWin"));
    graph.RemoveMember(&member);
}

TEST_F(FilterGraph, GraphEditEntersTheGraphInTheProcessTableWhileActive) {
    graph.SetGraphEdit(true); // inactive: stored only
    EXPECT_TRUE(graph.GraphEdit());
    const int before = TRunningObjectTable::Instance().Names().size();
    graph.SetActive(true);
    const QStringList names = TRunningObjectTable::Instance().Names();
    ASSERT_EQ(names.size(), before + 1);
    const QString pid = QString::number(QCoreApplication::applicationPid(), 16);
    bool found = false;
    for (const QString& n : names)
        found |= n.startsWith(QStringLiteral("!FilterGraph ")) &&
                 n.endsWith(QStringLiteral(" pid ") + pid);
    EXPECT_TRUE(found) << names.join(u';').toStdString();
    graph.SetGraphEdit(false);
    EXPECT_EQ(TRunningObjectTable::Instance().Names().size(), before);
    graph.SetGraphEdit(true);
    graph.SetActive(false);
    EXPECT_EQ(TRunningObjectTable::Instance().Names().size(), before);
}

TEST_F(FilterGraph, ALogFileThatCannotBeCreatedIsIgnored) {
    const QString dir = FreshDir("log");
    graph.SetLogFile(dir + QStringLiteral("/graph.log")); // inactive: stored only
    EXPECT_FALSE(QFile::exists(dir + QStringLiteral("/graph.log")));
    graph.SetActive(true);
    EXPECT_TRUE(QFile::exists(dir + QStringLiteral("/graph.log")));
    EXPECT_TRUE(log.calls.contains(QStringLiteral("SetLogFile(file)")));
    graph.SetLogFile(dir); // a folder: cannot be opened as a file
    EXPECT_EQ(graph.LogFile(), dir + QStringLiteral("/graph.log"));
    graph.SetLogFile(QString());
    EXPECT_TRUE(graph.LogFile().isEmpty());
}

TEST(MediaUtil, CheckMediaResultPassesSuccessesAndRaisesFailuresWithTheirText) {
    EXPECT_EQ(CheckMediaResult(S_OK), S_OK);
    EXPECT_EQ(CheckMediaResult(S_FALSE), S_FALSE);
    EXPECT_EQ(CheckMediaResult(VFW_S_STATE_INTERMEDIATE), VFW_S_STATE_INTERMEDIATE);
    try {
        CheckMediaResult(MakeCode(0x80041234));
        FAIL();
    } catch (const EDirectShowException& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Unrecognized error value. ($80041234)."));
        EXPECT_EQ(e.ErrorCode(), MakeCode(0x80041234));
    }
    EXPECT_LE(MediaErrorText(VFW_E_NO_AUDIO_HARDWARE).size(), 255);
}
