// The main window's painted grid: cells put together from glyphs are the painter's own pixels, every
// visible cell shows its current text at its place after the table has scrolled, and rows written
// between two paints are announced together.
#include "data_grid.h"
#include "grid_model.h"
#include "ui_fixture.h"

#include <QHeaderView>
#include <QPushButton>
#include <QSignalSpy>

namespace {
QFont cellFont() {
    QFont font(QStringLiteral("Courier New"), 8);
    font.setStyleHint(QFont::Monospace);
    font.setFamilies({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"),
                      QStringLiteral("DejaVu Sans Mono")});
    font.setBold(true);
    return font;
}

// Largest difference of any colour channel of any pixel; -1 when the sizes differ.
int largestDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return -1;
    int most = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            most = std::max({most, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                             std::abs(qBlue(p) - qBlue(q))});
        }
    return most;
}
} // namespace

class TestDataGrid : public QObject {
    Q_OBJECT

private slots:
    void composedCellsAreThePaintersPixels_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<QColor>("ink");
        QTest::addColumn<QColor>("paper");
        QTest::addColumn<double>("ratio");
        const QColor black(Qt::black), white(Qt::white), navy(20, 30, 90);
        QTest::newRow("gas value") << "  20.98" << 79 << black << white << 1.0;
        QTest::newRow("negative") << "   -0.001" << 69 << black << white << 1.0;
        QTest::newRow("time stamp") << "13:40:36  " << 79 << black << white << 1.0;
        QTest::newRow("deviation") << "42.146570" << 79 << black << white << 1.0;
        QTest::newRow("glyphs that touch") << "WWMM%%##" << 79 << black << white << 1.0;
        QTest::newRow("cut at the margin") << "0123456789012345678" << 79 << black << white << 1.0;
        QTest::newRow("narrow column") << " 1024131" << 20 << black << white << 1.0;
        QTest::newRow("light on dark") << "  20.98" << 79 << white << navy << 1.0;
        QTest::newRow("pixel ratio 2") << "13:40:36  " << 79 << black << white << 2.0;
    }
    void composedCellsAreThePaintersPixels() {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(QColor, ink);
        QFETCH(QColor, paper);
        QFETCH(double, ratio);
        // With the same colours for both, header cells are the painter's drawing of the text and other
        // cells are put together from glyphs; only their lines differ (a header cell has one below).
        TCellTextCache cache;
        cache.Reset(cellFont(), {ink, paper, paper, Qt::gray, Qt::gray}, 16, 3, ratio);
        const QImage painted =
            cache.Image(text, width, true).copy(QRect(QPoint(0, 0), QSize(width, 15) * ratio));
        const QImage composed =
            cache.Image(text, width, false).copy(QRect(QPoint(0, 0), QSize(width, 15) * ratio));
        QCOMPARE(cache.Image(text, width, false).size(), QSize(width, 16) * ratio);
        QCOMPARE(cache.Image(text, width, false).devicePixelRatio(), ratio);
        // One step of a channel at most: the coverage is measured from the painter's own pixels.
        QVERIFY2(largestDifference(painted, composed) <= 1,
                 qPrintable(QString::number(largestDifference(painted, composed))));
        // And the text is really there.
        QVERIFY(composed !=
                cache.Image(QString(), width, false).copy(QRect(QPoint(0, 0), QSize(width, 15) * ratio)));
    }

    void everyVisibleCellShowsItsTextAtItsPlace() {
        UiFixture f;
        f.app->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.app));
        f.Tick({0});
        f.app->StartBtn->click();
        // More rows than the grid holds, so that it has scrolled.
        const int rows = f.app->Acquisition().Table().RowCount;
        for (int i = 0; i < rows + 5; ++i)
            f.ports[0]->Inject(
                UiFixture::DataReply(int16_t(1000 + 7 * i), int16_t(i), uint32_t(i % 3), 2090, 0));
        TDataGrid* grid = f.app->Grid;
        const QImage shown = grid->viewport()->grab().toImage();
        const int columns = f.app->Acquisition().Table().ColumnCount;
        QVERIFY(columns > 0);
        int checked = 0;
        for (int r = 0; r < grid->model()->rowCount(); ++r) {
            const int y = grid->rowViewportPosition(r);
            if (y + 16 > shown.height()) break;
            for (int c = 0; c < columns; ++c) {
                const int x = grid->columnViewportPosition(c);
                const int w = grid->columnWidth(c);
                if (x + w > shown.width()) break;
                const QImage expected =
                    grid->TextCache().Image(f.Cell(r, c), w, r < TDataTableModel::HeaderRows);
                QCOMPARE(shown.copy(x, y, w, 16).convertToFormat(QImage::Format_RGB32), expected);
                ++checked;
            }
        }
        QVERIFY(checked > 5 * columns);
        // The oldest rows have scrolled away: the first sample row shows the 8th reading.
        QCOMPARE(f.Cell(2, 1), QString::asprintf("%7.2f", (1000 + 7 * 7) * 0.01));
    }

    void rowsWrittenBetweenPaintsAreAnnouncedTogether() {
        UiFixture f;
        f.Tick({0});
        f.app->StartBtn->click();
        auto* model = qobject_cast<TDataTableModel*>(f.app->Grid->model());
        QVERIFY(model);
        QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
        for (int i = 0; i < 3; ++i)
            f.ports[0]->Inject(UiFixture::DataReply(int16_t(500 + i), 0, 0, 2090, 0));
        // The cells are current at once; the grid hears of them at its next paint.
        QCOMPARE(f.Cell(4, 1), QStringLiteral("   5.02"));
        QCOMPARE(changed.count(), 0);
        QVERIFY(model->RowsPending());
        model->AnnounceChangedRows();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).value<QModelIndex>().row(), 2);
        QCOMPARE(changed.at(0).at(1).value<QModelIndex>().row(), 4);
        model->AnnounceChangedRows();
        QCOMPARE(changed.count(), 1);

        // A rebuild resets the model at once and leaves nothing to announce.
        f.ports[0]->Inject(UiFixture::DataReply(600, 0, 0, 2090, 0));
        QSignalSpy reset(model, &QAbstractItemModel::modelReset);
        f.app->ClearBtn->click();
        QCOMPARE(reset.count(), 1);
        QVERIFY(!model->RowsPending());
    }
};

QTEST_MAIN(TestDataGrid)
#include "test_data_grid.moc"
