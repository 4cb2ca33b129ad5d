// The router forwards every call of the bench connections to the screen that receives it: one row per
// route, with fake screens that record what reaches them.
#include "bench_router.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <functional>
#include <memory>

namespace {
// One fake for every screen: each call records "<screen>.<call> <arguments>", and the queries answer
// values no stub would give.
class FakeScreens final : public IMainWindowRoutes,
                          public IConsoleRoutes,
                          public IFirmwareRoutes,
                          public ICalLoadRoutes,
                          public IParamTransferRoutes,
                          public IParameterRoutes,
                          public IStatusRoutes,
                          public IEngineeringStatusRoutes,
                          public IRawIrRoutes {
public:
    QStringList calls;

    bool BenchBoxActive(int b) const override { return note("main.BenchBoxActive", b), true; }
    bool Closing() const override { return note("main.Closing"), true; }
    void ShowAckLines() override { note("main.ShowAckLines"); }
    uint8_t ConsoleCommand() const override { return note("main.ConsoleCommand"), 0x44; }
    bool StopBtnEnabled() const override { return note("main.StopBtnEnabled"), true; }
    void DataStep(int b) override { note("main.DataStep", b); }
    void UntickAllBenches() override { note("main.UntickAllBenches"); }
    void BenchDisconnected(int b) override { note("main.BenchDisconnected", b); }

    bool ConsoleExists() const override { return note("console.ConsoleExists"), true; }
    void ShowAckNak(int b) override { note("console.ShowAckNak", b); }
    void ShowResult(int b, uint8_t c) override { note("console.ShowResult", b, c); }

    bool FirmwareScreenVisible() const override { return note("firmware.Visible"), true; }
    bool FirmwareDownloadInProgress() const override { return note("firmware.InProgress"), true; }
    void FirmwareReply(int b, const TRxPacket& p) override { note("firmware.Reply", b, p.Code); }

    bool CalLoadVisible() const override { return note("calload.Visible"), true; }
    int CalLoadState() const override { return note("calload.State"), 7; }
    void CalLoadSetRefused() override { note("calload.SetRefused"); }
    void CalLoadStopTimer() override { note("calload.StopTimer"); }
    void CalLoadReply(int b, const TRxPacket& p) override { note("calload.Reply", b, p.Code); }

    bool ParamTransferVisible() const override { return note("transfer.Visible"), true; }
    int ParamTransferState() const override { return note("transfer.State"), 9; }
    void ParamTransferStopTimer() override { note("transfer.StopTimer"); }
    void ParamTransferReply(int b, const TRxPacket& p) override { note("transfer.Reply", b, p.Code); }
    void ParamTransferNak(int b, uint8_t c, uint8_t e) override { note("transfer.Nak", b, c, e); }
    void ParamTransferTimeout(int b, uint8_t c) override { note("transfer.Timeout", b, c); }

    void ParamWriteAck(int b) override { note("parameters.WriteAck", b); }
    void ParamReadReply(int b, const QByteArray& t) override {
        note("parameters.ReadReply", b, int(t.size()));
    }
    void ParamStoreAck(int b) override { note("parameters.StoreAck", b); }
    void ParamLoadAck(int b) override { note("parameters.LoadAck", b); }
    void SetCurrentParam(int b, int p) override { note("parameters.SetCurrentParam", b, p); }

    void UpdateStatusScreen(int b) override { note("status.Update", b); }
    void UpdateEngineeringStatus(int b) override { note("estatus.Update", b); }
    void RawIrPacket(int b, const TRxPacket& p) override { note("rawir.Packet", b, p.Code); }

private:
    template <typename... A> void note(const char* what, A... args) const {
        QStringList parts{QLatin1String(what)};
        (parts.append(QString::number(args)), ...);
        const_cast<FakeScreens*>(this)->calls << parts.join(QLatin1Char(' '));
    }
};

class FakeGraph final : public IGraphRoutes {
public:
    explicit FakeGraph(QStringList& calls, const char* name) : m_calls(calls), m_name(name) {}
    void UpdateGraph(int b) override {
        m_calls << QStringLiteral("%1.Update %2").arg(QLatin1String(m_name)).arg(b);
    }

private:
    QStringList& m_calls;
    const char* m_name;
};

using Route = std::function<QVariant(IBenchHost&)>;
} // namespace

Q_DECLARE_METATYPE(Route)

class TestRouter : public QObject {
    Q_OBJECT

    static TRxPacket packet(uint8_t code) {
        TRxPacket p;
        p.Kind = KindAck;
        p.Code = code;
        return p;
    }

    struct Row {
        const char* name;
        Route call;
        const char* received;
        QVariant answer;
    };

    static QList<Row> rows() {
        QList<Row> rows;
        auto row = [&rows](const char* name, Route call, const char* received, QVariant answer = {}) {
            rows.append({name, std::move(call), received, std::move(answer)});
        };
        row(
            "Closing", [](IBenchHost& h) { return QVariant(h.Closing()); }, "main.Closing", true);
        row(
            "ShowAckLines", [](IBenchHost& h) { return h.ShowAckLines(), QVariant(); }, "main.ShowAckLines");
        row(
            "ConsoleCommand", [](IBenchHost& h) { return QVariant(int(h.ConsoleCommand())); },
            "main.ConsoleCommand", 0x44);
        row(
            "BenchBoxActive", [](IBenchHost& h) { return QVariant(h.BenchBoxActive(2)); },
            "main.BenchBoxActive 2", true);
        row(
            "ConsoleExists", [](IBenchHost& h) { return QVariant(h.ConsoleExists()); },
            "console.ConsoleExists", true);
        row(
            "ShowAckNak", [](IBenchHost& h) { return h.ShowAckNak(1), QVariant(); }, "console.ShowAckNak 1");
        row(
            "ShowResult", [](IBenchHost& h) { return h.ShowResult(3, 0x16), QVariant(); },
            "console.ShowResult 3 22");
        row(
            "FirmwareScreenVisible", [](IBenchHost& h) { return QVariant(h.FirmwareScreenVisible()); },
            "firmware.Visible", true);
        row(
            "FirmwareDownloadInProgress",
            [](IBenchHost& h) { return QVariant(h.FirmwareDownloadInProgress()); }, "firmware.InProgress",
            true);
        row(
            "FirmwareReply", [](IBenchHost& h) { return h.FirmwareReply(0, packet(0x27)), QVariant(); },
            "firmware.Reply 0 39");
        row(
            "CalLoadVisible", [](IBenchHost& h) { return QVariant(h.CalLoadVisible()); }, "calload.Visible",
            true);
        row(
            "CalLoadState", [](IBenchHost& h) { return QVariant(h.CalLoadState()); }, "calload.State", 7);
        row(
            "CalLoadSetRefused", [](IBenchHost& h) { return h.CalLoadSetRefused(), QVariant(); },
            "calload.SetRefused");
        row(
            "CalLoadStopTimer", [](IBenchHost& h) { return h.CalLoadStopTimer(), QVariant(); },
            "calload.StopTimer");
        row(
            "CalLoadReply", [](IBenchHost& h) { return h.CalLoadReply(2, packet(0x48)), QVariant(); },
            "calload.Reply 2 72");
        row(
            "ParamTransferVisible", [](IBenchHost& h) { return QVariant(h.ParamTransferVisible()); },
            "transfer.Visible", true);
        row(
            "ParamTransferState", [](IBenchHost& h) { return QVariant(h.ParamTransferState()); },
            "transfer.State", 9);
        row(
            "ParamTransferStopTimer", [](IBenchHost& h) { return h.ParamTransferStopTimer(), QVariant(); },
            "transfer.StopTimer");
        row(
            "ParamTransferReply",
            [](IBenchHost& h) { return h.ParamTransferReply(1, packet(0x49)), QVariant(); },
            "transfer.Reply 1 73");
        row(
            "ParamTransferNak", [](IBenchHost& h) { return h.ParamTransferNak(1, 0x54, 2), QVariant(); },
            "transfer.Nak 1 84 2");
        row(
            "ParamTransferTimeout", [](IBenchHost& h) { return h.ParamTransferTimeout(3, 0x55), QVariant(); },
            "transfer.Timeout 3 85");
        row(
            "ParamWriteAck", [](IBenchHost& h) { return h.ParamWriteAck(0), QVariant(); },
            "parameters.WriteAck 0");
        row(
            "ParamReadReply", [](IBenchHost& h) { return h.ParamReadReply(1, "12.5"), QVariant(); },
            "parameters.ReadReply 1 4");
        row(
            "ParamStoreAck", [](IBenchHost& h) { return h.ParamStoreAck(2), QVariant(); },
            "parameters.StoreAck 2");
        row(
            "ParamLoadAck", [](IBenchHost& h) { return h.ParamLoadAck(3), QVariant(); },
            "parameters.LoadAck 3");
        row(
            "SetCurrentParam", [](IBenchHost& h) { return h.SetCurrentParam(0, 400), QVariant(); },
            "parameters.SetCurrentParam 0 400");
        row(
            "StopBtnEnabled", [](IBenchHost& h) { return QVariant(h.StopBtnEnabled()); },
            "main.StopBtnEnabled", true);
        row(
            "DataStep", [](IBenchHost& h) { return h.DataStep(2), QVariant(); }, "main.DataStep 2");
        row(
            "UpdateGraph2", [](IBenchHost& h) { return h.UpdateGraph2(1), QVariant(); }, "graph2.Update 1");
        row(
            "UpdateGraph1", [](IBenchHost& h) { return h.UpdateGraph1(3), QVariant(); }, "graph1.Update 3");
        row(
            "UpdateStatusScreen", [](IBenchHost& h) { return h.UpdateStatusScreen(0), QVariant(); },
            "status.Update 0");
        row(
            "UpdateEngineeringStatus", [](IBenchHost& h) { return h.UpdateEngineeringStatus(2), QVariant(); },
            "estatus.Update 2");
        row(
            "RawIrPacket", [](IBenchHost& h) { return h.RawIrPacket(1, packet(0x40)), QVariant(); },
            "rawir.Packet 1 64");
        row(
            "UntickAllBenches", [](IBenchHost& h) { return h.UntickAllBenches(), QVariant(); },
            "main.UntickAllBenches");
        row(
            "BenchDisconnected", [](IBenchHost& h) { return h.BenchDisconnected(3), QVariant(); },
            "main.BenchDisconnected 3");
        return rows;
    }

private slots:
    void routes_data() {
        QTest::addColumn<Route>("call");
        QTest::addColumn<QString>("received");
        QTest::addColumn<QVariant>("answer");
        for (const Row& r : rows())
            QTest::newRow(r.name) << r.call << QString::fromLatin1(r.received) << r.answer;
    }

    void routes() {
        QFETCH(Route, call);
        QFETCH(QString, received);
        QFETCH(QVariant, answer);
        FakeScreens screens;
        FakeGraph graph1(screens.calls, "graph1"), graph2(screens.calls, "graph2");
        auto routerOwner = std::make_unique<TBenchRouter>();
        TBenchRouter& router = *routerOwner;
        router.SetMainWindow(&screens);
        router.SetConsole(&screens);
        router.SetFirmware(&screens);
        router.SetCalLoad(&screens);
        router.SetParamTransfer(&screens);
        router.SetParameters(&screens);
        router.SetGraph1(&graph1);
        router.SetGraph2(&graph2);
        router.SetStatus(&screens);
        router.SetEngineeringStatus(&screens);
        router.SetRawIr(&screens);

        const QVariant result = call(router);
        QCOMPARE(screens.calls, QStringList{received});
        if (answer.isValid()) QCOMPARE(result, answer);

        // Without the screens, the call reaches nobody and answers as a program without that screen.
        TBenchRouter bare;
        screens.calls.clear();
        const QVariant idle = call(bare);
        QVERIFY(screens.calls.isEmpty());
        if (answer.isValid()) QVERIFY(!idle.toBool());
    }

    // Every call of the interface has a row: a call added to IBenchHost without one fails here.
    void everyCallHasARow() {
        QFile header(QStringLiteral(X714_BENCH_HOST_HEADER));
        QVERIFY(header.open(QIODevice::ReadOnly | QIODevice::Text));
        const QString text = QString::fromUtf8(header.readAll());
        const QRegularExpression pure(QStringLiteral(R"(virtual [^;]*\)\s*(const\s*)?=\s*0;)"));
        qsizetype calls = 0;
        for (auto it = pure.globalMatch(text); it.hasNext(); it.next())
            ++calls;
        QCOMPARE(rows().size(), calls);
    }
};

QTEST_GUILESS_MAIN(TestRouter)
#include "test_router.moc"
