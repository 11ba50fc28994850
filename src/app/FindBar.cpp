#include "app/FindBar.h"

#include "table/FindMessages.h"
#include "table/TextFinderController.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

using namespace tagmint::table;
namespace tips = find_text::tips;

namespace {

QToolButton* arrowButton(Qt::ArrowType arrow, const QString& name, const QString& tip)
{
    auto* button = new QToolButton;
    button->setObjectName(name);
    button->setArrowType(arrow);
    button->setToolTip(tip);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

QPushButton* textButton(const QString& text, const QString& name, const QString& tip)
{
    auto* button = new QPushButton(text);
    button->setObjectName(name);
    button->setToolTip(tip);
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

void setTextKeepingCursor(QLineEdit* field, const QString& text)
{
    if (field->text() != text)
        field->setText(text);
}

} // namespace

FindBar::FindBar(TextFinderController& finder, QWidget* parent) : QWidget(parent), m_finder(finder)
{
    setObjectName(QStringLiteral("FindBar"));

    m_options = new QToolButton;
    m_options->setObjectName(QStringLiteral("FindOptions"));
    m_options->setIcon(QIcon::fromTheme(QStringLiteral("edit-find"),
                                        style()->standardIcon(QStyle::SP_FileDialogContentsView)));
    m_options->setToolTip(tips::options());
    m_options->setPopupMode(QToolButton::InstantPopup);
    m_options->setFocusPolicy(Qt::TabFocus);
    m_optionsMenu = new QMenu(this);
    m_options->setMenu(m_optionsMenu);
    connect(m_optionsMenu, &QMenu::aboutToShow, this, &FindBar::buildOptionsMenu);

    m_findField = new QLineEdit;
    m_findField->setObjectName(QStringLiteral("FindField"));
    m_findField->setToolTip(tips::findField());
    m_findField->setClearButtonEnabled(true);
    m_count = new QLabel(m_findField);
    m_count->setObjectName(QStringLiteral("FindCount"));
    m_count->setToolTip(tips::count());
    m_count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_count->setForegroundRole(QPalette::PlaceholderText);

    m_previous = arrowButton(Qt::LeftArrow, QStringLiteral("FindPrevious"), tips::previous());
    m_next = arrowButton(Qt::RightArrow, QStringLiteral("FindNext"), tips::next());
    m_done = textButton(QStringLiteral("Done"), QStringLiteral("FindDone"), tips::done());
    m_filter = new QCheckBox(QStringLiteral("Filter"));
    m_filter->setObjectName(QStringLiteral("FindFilter"));
    m_filter->setToolTip(tips::filter());
    m_replaceBox = new QCheckBox(QStringLiteral("Replace"));
    m_replaceBox->setObjectName(QStringLiteral("FindReplaceBox"));
    m_replaceBox->setToolTip(tips::replaceCheckbox());

    m_replaceField = new QLineEdit;
    m_replaceField->setObjectName(QStringLiteral("ReplaceField"));
    m_replaceField->setToolTip(tips::replaceField());
    m_replaceField->setPlaceholderText(tips::replaceField());
    m_replace = textButton(QStringLiteral("Replace"), QStringLiteral("ReplaceButton"), tips::replace());
    m_replaceAll = textButton(QStringLiteral("All"), QStringLiteral("ReplaceAllButton"), tips::replaceAll());

    auto* findRow = new QHBoxLayout;
    findRow->setContentsMargins(0, 0, 0, 0);
    findRow->addWidget(m_options);
    findRow->addWidget(m_findField, 1);
    findRow->addWidget(m_previous);
    findRow->addWidget(m_next);
    findRow->addWidget(m_done);
    findRow->addWidget(m_filter);
    findRow->addWidget(m_replaceBox);

    m_replaceRow = new QWidget;
    auto* replaceRow = new QHBoxLayout(m_replaceRow);
    replaceRow->setContentsMargins(m_options->sizeHint().width() + findRow->spacing(), 0, 0, 0);
    replaceRow->addWidget(m_replaceField, 1);
    replaceRow->addWidget(m_replace);
    replaceRow->addWidget(m_replaceAll);

    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(6, 4, 6, 4);
    rows->addLayout(findRow);
    rows->addWidget(m_replaceRow);

    connect(m_findField, &QLineEdit::textChanged, this, [this](const QString& text) {
        // Typing and the clear button; a text set by sync() is the
        // controller's own.
        if (text != m_finder.findText())
            m_finder.findTextEdited(text);
    });
    connect(m_replaceField, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_finder.replacementTextEdited(text); });
    connect(m_previous, &QToolButton::clicked, this, [this] { m_finder.findPrevious(); });
    connect(m_next, &QToolButton::clicked, this, [this] { m_finder.findNext(); });
    connect(m_done, &QPushButton::clicked, this, [this] { m_finder.closeBar(); });
    connect(m_replace, &QPushButton::clicked, this, [this] { m_finder.replaceNext(); });
    connect(m_replaceAll, &QPushButton::clicked, this, [this] { m_finder.replaceAll(); });
    connect(m_filter, &QCheckBox::clicked, this, [this](bool checked) {
        FindOptions options = m_finder.options();
        options.filterEnabled = checked;
        m_finder.optionsChosen(options);
    });
    connect(m_replaceBox, &QCheckBox::clicked, this, [this](bool checked) { m_finder.replaceToggled(checked); });

    for (QWidget* control : {static_cast<QWidget*>(m_options), static_cast<QWidget*>(m_findField),
                             static_cast<QWidget*>(m_previous), static_cast<QWidget*>(m_next),
                             static_cast<QWidget*>(m_done), static_cast<QWidget*>(m_filter),
                             static_cast<QWidget*>(m_replaceBox), static_cast<QWidget*>(m_replaceField),
                             static_cast<QWidget*>(m_replace), static_cast<QWidget*>(m_replaceAll)})
        control->installEventFilter(this);
    sync();
}

void FindBar::sync()
{
    const FindOptions options = m_finder.options();
    setVisible(m_finder.isVisible());
    m_replaceRow->setVisible(m_finder.isReplaceShown());
    setTextKeepingCursor(m_findField, m_finder.findText());
    setTextKeepingCursor(m_replaceField, m_finder.replacementText());
    m_findField->setPlaceholderText(find_text::placeholder(options));
    m_count->setText(m_finder.countLabel());
    placeCountLabel();
    m_previous->setEnabled(m_finder.canStep());
    m_next->setEnabled(m_finder.canStep());
    m_replace->setEnabled(m_finder.canReplace());
    m_replaceAll->setEnabled(m_finder.canReplace());
    const QSignalBlocker filterBlocker(m_filter);
    m_filter->setChecked(options.filterEnabled);
    const QSignalBlocker replaceBlocker(m_replaceBox);
    m_replaceBox->setChecked(m_finder.isReplaceShown());
}

void FindBar::placeCountLabel()
{
    const int width = m_count->text().isEmpty() ? 0 : m_count->fontMetrics().horizontalAdvance(m_count->text()) + 8;
    // Left of the clear button, which Qt draws inside the right margin.
    const int clearButton = m_findField->height();
    m_count->setGeometry(m_findField->width() - clearButton - width, 0, width, m_findField->height());
    m_findField->setTextMargins(0, 0, width, 0);
}

void FindBar::buildOptionsMenu()
{
    m_optionsMenu->clear();
    const FindOptions current = m_finder.options();
    QAction* ignoreCase = m_optionsMenu->addAction(find_text::ignoreCaseItem());
    ignoreCase->setCheckable(true);
    ignoreCase->setChecked(!current.caseSensitive);
    connect(ignoreCase, &QAction::triggered, this, [this](bool ignore) {
        FindOptions options = m_finder.options();
        options.caseSensitive = !ignore;
        m_finder.optionsChosen(options);
    });
    m_optionsMenu->addSeparator();
    auto* group = new QActionGroup(m_optionsMenu);
    for (const SearchType type : {SearchType::StartsWith, SearchType::Contains, SearchType::EndsWith,
                                  SearchType::Matches}) {
        QAction* item = m_optionsMenu->addAction(find_text::searchTypeItem(type));
        item->setCheckable(true);
        item->setChecked(current.searchType == type);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, type] {
            FindOptions options = m_finder.options();
            options.searchType = type;
            m_finder.optionsChosen(options);
        });
    }
}

void FindBar::focusFindField()
{
    m_findField->setFocus(Qt::ShortcutFocusReason);
    m_findField->selectAll();
}

QList<QWidget*> FindBar::focusChain() const
{
    QList<QWidget*> chain{m_options, m_findField, m_previous, m_next, m_done, m_filter, m_replaceBox};
    if (m_replaceRow->isVisible())
        chain += {m_replaceField, m_replace, m_replaceAll};
    return chain;
}

void FindBar::focusFirstControl() { focusChain().first()->setFocus(Qt::TabFocusReason); }

void FindBar::focusLastControl() { focusChain().last()->setFocus(Qt::BacktabFocusReason); }

bool FindBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_findField && event->type() == QEvent::Resize)
        placeCountLabel();
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool shift = key->modifiers() & Qt::ShiftModifier;
    switch (key->key()) {
    case Qt::Key_Escape:
        m_finder.closeBar();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (watched == m_findField) {
            shift ? m_finder.findPrevious() : m_finder.findNext();
            return true;
        }
        if (watched == m_replaceField) {
            m_finder.replaceNext();
            return true;
        }
        break;
    case Qt::Key_Down:
        if (watched == m_findField && m_replaceRow->isVisible())
            m_replaceField->setFocus(Qt::TabFocusReason);
        else if (watched == m_findField || watched == m_replaceField)
            emit leaveRequested();
        else
            break;
        return true;
    case Qt::Key_Up:
        if (watched != m_replaceField)
            break;
        m_findField->setFocus(Qt::BacktabFocusReason);
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        // Through the bar's controls; past either end back to the table.
        const QList<QWidget*> chain = focusChain();
        const qsizetype at = chain.indexOf(static_cast<QWidget*>(watched));
        const bool back = key->key() == Qt::Key_Backtab || shift;
        const qsizetype next = at + (back ? -1 : 1);
        if (at < 0 || next < 0 || next >= chain.size())
            emit leaveRequested();
        else
            chain.at(next)->setFocus(back ? Qt::BacktabFocusReason : Qt::TabFocusReason);
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
