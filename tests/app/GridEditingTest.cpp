// The grid as a user works in it with the keyboard: where the active cell
// goes after Return, Escape and Tab, after a refused value, the artwork
// cell, thumbnails in their cells, the header's titles and sort indicator,
// and the caption's unsaved-changes mark.

#include "AppTestSupport.h"

#include "app/ArtworkEditor.h"
#include "app/ArtworkPanel.h"
#include "app/CellPopover.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QStyleOptionHeader>

using namespace tagmint::test;

namespace {

class GridEditing : public AppTest {
protected:
    TableMainWindow* window = nullptr;

    void open(const QStringList& fixtures)
    {
        window = launchWith({album(fixtures)});
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(activate(window));
        grid()->setFocus();
    }

    TableGridView* grid() const { return window->gridView(); }
    QZTagLibTableSelection& selection() const { return window->controller().selection(); }
    std::pair<int, int> activeCell() const { return {selection().activeRow(), selection().activeColumn()}; }
    int rowOf(const QString& fileName) const
    {
        for (int row = 0; row < window->tableModel()->rowCount(); ++row) {
            if (window->collection().stringAtRow(row, "filename").startsWith(fileName))
                return row;
        }
        return -1;
    }

    // Keys go wherever the keyboard is at the moment, as a user's would.
    static void type(const QString& text) { QTest::keyClicks(nullptr, text); }
    static void press(Qt::Key key) { QTest::keyClick(static_cast<QWidget*>(nullptr), key); }
};

TEST_F(GridEditing, ReturnMovesDownEscapeStaysAndTabMovesOneCell)
{
    open({"plain.mp3", "tagged.flac", "tagged.m4a"});
    const int title = columnOf(window, "title");
    selection().selectCellAtRow(0, title, false);

    type("First");
    press(Qt::Key_Return);
    EXPECT_EQ(window->collection().stringAtRow(0, "title"), "First");
    EXPECT_EQ(activeCell(), std::make_pair(1, title));

    const QString before = window->collection().stringAtRow(1, "title");
    type("Dropped");
    press(Qt::Key_Escape);
    EXPECT_EQ(grid()->cellEditor(), nullptr);
    EXPECT_EQ(window->collection().stringAtRow(1, "title"), before);
    EXPECT_EQ(activeCell(), std::make_pair(1, title));

    type("Second");
    press(Qt::Key_Tab);
    EXPECT_EQ(window->collection().stringAtRow(1, "title"), "Second");
    EXPECT_EQ(activeCell(), std::make_pair(1, title + 1));
    EXPECT_TRUE(grid()->hasFocus());
}

TEST_F(GridEditing, ARefusedValueKeepsItsCellAndReturnGoesBackToIt)
{
    open({"plain.mp3", "tagged.flac"});
    window->controller().toggleColumn("year");
    const int year = columnOf(window, "year");
    selection().selectCellAtRow(0, year, false);
    grid()->setFocus();

    type("1800");
    press(Qt::Key_Return);
    CellPopover* popover = grid()->cellPopover();
    ASSERT_NE(popover, nullptr);
    EXPECT_TRUE(popover->isVisible());
    EXPECT_EQ(activeCell(), std::make_pair(0, year));
    EXPECT_TRUE(selection().cellState(0, year).isActive);

    // Return presses the popover's "Edit": the typed text is back, selected.
    press(Qt::Key_Return);
    ASSERT_NE(grid()->cellEditor(), nullptr);
    EXPECT_EQ(grid()->cellEditor()->text(), "1800");
    type("1999");
    press(Qt::Key_Return);
    EXPECT_EQ(window->collection().stringAtRow(0, "year"), "1999");
    EXPECT_EQ(activeCell(), std::make_pair(1, year));
}

TEST_F(GridEditing, TheArtworkCellIsNeverATextEditor)
{
    open({"plain.mp3", "tagged_v24.mp3"});
    const int image = columnOf(window, "image");
    const int row = rowOf("tagged_v24");
    QZTagLibRecord* record = window->collection().recordAtRow(row);
    ASSERT_TRUE(record->hasImage());
    QSignalSpy requests(grid(), &TableGridView::artworkEditRequested);

    // Each request opens the artwork panel; closing it changes nothing.
    const auto closePanel = [this] {
        ArtworkPanel* panel = window->artworkEditor()->panel();
        ASSERT_NE(panel, nullptr);
        panel->close();
        QApplication::processEvents();
        grid()->setFocus();
    };
    QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, grid()->cellRect(row, image).center());
    EXPECT_EQ(grid()->cellEditor(), nullptr);
    closePanel();
    QTest::keyClick(grid(), Qt::Key_Return);
    closePanel();
    QTest::keyClicks(grid(), "x");
    closePanel();
    EXPECT_EQ(grid()->cellEditor(), nullptr);
    EXPECT_EQ(grid()->editingIntroduction(), nullptr);
    ASSERT_EQ(requests.count(), 3);
    EXPECT_EQ(requests.first(), (QList<QVariant>{row, image}));
    EXPECT_TRUE(record->hasImage());
    EXPECT_FALSE(record->isDirty());
}

TEST_F(GridEditing, ThumbnailsKeepTheirProportionsCentredInTheCell)
{
    open({"plain.mp3"});
    const int image = columnOf(window, "image");
    QImage wide(300, 100, QImage::Format_RGB32);
    wide.fill(Qt::red);
    window->collection().recordAtRow(0)->setImage(wide);
    window->tableModel()->refresh();
    const QModelIndex cell = window->tableModel()->index(0, image);
    cell.data(TableModel::LoadingRole);
    ASSERT_TRUE(waitUntil([&] { return !cell.data(TableModel::ThumbnailRole).value<QImage>().isNull(); }));

    // Where the picture landed in the drawn cell.
    const QImage drawn = grid()->viewport()->grab().toImage();
    const QRect rect = grid()->cellRect(0, image);
    QRect picture;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor pixel = drawn.pixelColor(x, y);
            if (pixel.red() > 200 && pixel.green() < 60 && pixel.blue() < 60)
                picture |= QRect(x, y, 1, 1);
        }
    }
    ASSERT_FALSE(picture.isEmpty());
    EXPECT_NEAR(double(picture.width()) / picture.height(), 3.0, 0.35);
    EXPECT_LE(std::abs(picture.center().x() - rect.center().x()), 1);
    EXPECT_LE(std::abs(picture.center().y() - rect.center().y()), 1);
}

TEST_F(GridEditing, HeaderTitlesStayWholeWithTheSortIndicator)
{
    open({"plain.mp3", "tagged.flac"});
    for (const char* identifier : {"trackNumber", "tracksTotal", "discNumber", "year", "tempo"})
        window->controller().toggleColumn(identifier);
    const int track = columnOf(window, "trackNumber");
    window->controller().headerClicked(track);
    window->controller().autoSizeAllColumns();

    TableHeader* header = grid()->tableHeader();
    QStyleOptionHeader sorted;
    header->initStyleOptionForIndex(&sorted, track);
    EXPECT_EQ(sorted.sortIndicator, QStyleOptionHeader::SortUp);   // A to Z

    for (int column = 1; column < header->count(); ++column) {
        QStyleOptionHeader option;
        header->initStyleOptionForIndex(&option, column);
        option.rect = QRect(0, 0, header->sectionSize(column), header->height());
        // Every title fits in the room the style leaves for the label when
        // the column is sorted, padding included.
        option.sortIndicator = QStyleOptionHeader::SortUp;
        const QRect label = header->style()->subElementRect(QStyle::SE_HeaderLabel, &option, header);
        EXPECT_GE(label.width(), header->fontMetrics().horizontalAdvance(option.text))
            << option.text.toStdString() << " in " << header->sectionSize(column);
        EXPECT_GE(header->sectionSize(column), header->sectionSizeHint(column)) << option.text.toStdString();
    }

    window->controller().headerClicked(track);
    header->initStyleOptionForIndex(&sorted, track);
    EXPECT_EQ(sorted.sortIndicator, QStyleOptionHeader::SortDown);
}

TEST_F(GridEditing, TheCaptionMarksUnsavedChanges)
{
    open({"plain.mp3", "tagged.flac"});
    EXPECT_EQ(window->windowTitle(), "Album (2 files)[*]");
    EXPECT_FALSE(window->isWindowModified());

    selection().selectCellAtRow(0, columnOf(window, "title"), false);
    type("Changed");
    press(Qt::Key_Return);
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_EQ(window->title(), "Album (2 files)");

    window->save();
    ASSERT_TRUE(waitIdle(window));
    EXPECT_FALSE(window->isWindowModified());
}

} // namespace
