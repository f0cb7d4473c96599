#include "InfoPanel.h"

#include "ElidedLabel.h"
#include "Notes.h"
#include "RecordFile.h"
#include "StoredDate.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>

namespace flk {

namespace {

constexpr int kPanel3Height = 84;
constexpr int kSpacerWidth = 2;

QLabel* Caption(const QString& text, QWidget* parent, const QString& name, const QString& hint = {})
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setStatusTip(hint);
    return label;
}

QLabel* Value(const QString& text, QWidget* parent, const QString& name, const QString& accessible,
              const QString& hint)
{
    // A value read from a record may be long: it is cut, never widens the window.
    auto* label = new TElidedLabel(parent);
    label->setText(text);
    label->setObjectName(name);
    label->setAccessibleName(accessible);
    label->setStatusTip(hint);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

// The link stays blue; on a dark desktop a light blue, so it can be read.
QColor LinkBlue(const QColor& background)
{
    return background.lightness() < 128 ? QColor(0x7a, 0xb4, 0xff) : QColor(Qt::blue);
}

} // namespace

TInfoPanel::TInfoPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pnlInfo"));
    BuildUpper();
    BuildNotes();
    for (QWidget* field : TextFields())
        ApplyLook(field);
    for (QLineEdit* value : {edtDescription, edtSource})
        ShowWholeTextAsToolTip(value);
}

void TInfoPanel::BuildUpper()
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 2, 0, 0);
    outer->setSpacing(2);

    auto* line = new QHBoxLayout;
    line->setContentsMargins(4, 0, 4, 0);
    Label2 = Caption(QStringLiteral("Description:"), this, QStringLiteral("Label2"),
                     QStringLiteral("Click to the right of this label to edit the currently selected file's description"));
    edtDescription = new QLineEdit(this);
    edtDescription->setObjectName(QStringLiteral("edtDescription"));
    edtDescription->setMaxLength(kValueLimit);
    edtDescription->setStatusTip(QStringLiteral(
        "Click here to edit the description of the currently selected file.  Press enter to save changes."));
    Label2->setBuddy(edtDescription);
    edtDescription->setAccessibleName(QStringLiteral("Description"));
    line->addWidget(Label2);
    line->addWidget(edtDescription, 1);
    outer->addLayout(line);

    Panel3 = new QWidget(this);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setFixedHeight(kPanel3Height);
    auto* panel3 = new QHBoxLayout(Panel3);
    panel3->setContentsMargins(0, 0, 0, 0);
    Splitter3 = new QSplitter(Qt::Horizontal, Panel3);
    Splitter3->setObjectName(QStringLiteral("Splitter3"));
    Splitter3->setHandleWidth(3);
    Splitter3->setChildrenCollapsible(false);
    panel3->addWidget(Splitter3);

    pnlLeftPane = new QWidget(Splitter3);
    pnlLeftPane->setObjectName(QStringLiteral("pnlLeftPane"));
    auto* left = new QGridLayout(pnlLeftPane);
    left->setContentsMargins(4, 2, 4, 2);
    left->setHorizontalSpacing(4);
    Label4 = Caption(QStringLiteral("Source:"), pnlLeftPane, QStringLiteral("Label4"),
                     QStringLiteral("Click to the right of this label to edit the currently selected file's source.  "
                                    "If the selected file is a partial download, selecting this link will enable you "
                                    "to resume downloading."));
    edtSource = new QLineEdit(pnlLeftPane);
    edtSource->setObjectName(QStringLiteral("edtSource"));
    edtSource->setMaxLength(kValueLimit);
    edtSource->setStatusTip(
        QStringLiteral("Selecting this link will enable you to resume downloading.   Right-click to edit."));
    edtSource->setAccessibleName(QStringLiteral("Source"));
    Label4->setBuddy(edtSource);
    SourceGap = new QWidget(pnlLeftPane);
    SourceGap->setFixedWidth(4);
    auto* sourceRow = new QHBoxLayout;
    sourceRow->setSpacing(0);
    sourceRow->addWidget(Label4);
    sourceRow->addWidget(SourceGap);
    sourceRow->addWidget(edtSource, 1);
    left->addLayout(sourceRow, 0, 0, 1, 5);

    cbDelete = new QCheckBox(QStringLiteral("Auto-Delete in"), pnlLeftPane);
    cbDelete->setObjectName(QStringLiteral("cbDelete"));
    cbDelete->setStatusTip(QStringLiteral(
        "Check this box if you would like Fetchlark to automatically delete the currently selected file."));
    meDelete = new QLineEdit(pnlLeftPane);
    meDelete->setObjectName(QStringLiteral("meDelete"));
    meDelete->setMaxLength(3);
    meDelete->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,3}")), meDelete));
    meDelete->setFixedWidth(meDelete->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 8);
    meDelete->setStatusTip(QStringLiteral("Click here to edit the number of days until auto-deletion for the currently "
                                          "selected file.  Press enter to save changes."));
    meDelete->setAccessibleName(QStringLiteral("Days until auto-deletion"));
    Label6 = Caption(QStringLiteral("days"), pnlLeftPane, QStringLiteral("Label6"));
    Label6->setBuddy(meDelete);
    lblDeletion = Caption(QStringLiteral("Due for deletion"), pnlLeftPane, QStringLiteral("lblDeletion"));
    QPalette red = lblDeletion->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    lblDeletion->setPalette(red);
    lblDeletion->hide();
    auto* deleteRow = new QHBoxLayout;
    deleteRow->setSpacing(4);
    deleteRow->addWidget(cbDelete);
    deleteRow->addWidget(meDelete);
    deleteRow->addWidget(Label6);
    deleteRow->addWidget(lblDeletion);
    deleteRow->addStretch(1);
    left->addLayout(deleteRow, 1, 0, 1, 5);
    left->setRowStretch(2, 1);

    pnlRightPane = new QWidget(Splitter3);
    pnlRightPane->setObjectName(QStringLiteral("pnlRightPane"));
    auto* right = new QGridLayout(pnlRightPane);
    right->setContentsMargins(4, 2, 4, 2);
    right->setVerticalSpacing(2);
    const QString downloadedHint =
        QStringLiteral("This area displays the date that the currently selected file was downloaded.");
    const QString openedHint =
        QStringLiteral("This area displays the date that the currently selected file was last opened.");
    const QString scannedHint =
        QStringLiteral("This area displays the date that the currently selected file was last scanned for viruses.");
    Label5 = Caption(QStringLiteral("Downloaded:"), pnlRightPane, QStringLiteral("Label5"), downloadedHint);
    lblDateDownloaded = Value(QStringLiteral("No Data"), pnlRightPane, QStringLiteral("lblDateDownloaded"),
                              QStringLiteral("Downloaded"), downloadedHint);
    Label3 = Caption(QStringLiteral("Opened:"), pnlRightPane, QStringLiteral("Label3"), openedHint);
    lblLastOpened = Value(QStringLiteral("Never"), pnlRightPane, QStringLiteral("lblLastOpened"),
                          QStringLiteral("Opened"), openedHint);
    Label8 = Caption(QStringLiteral("Virus Checked:"), pnlRightPane, QStringLiteral("Label8"), scannedHint);
    lblVChecked = Value(QStringLiteral("Never"), pnlRightPane, QStringLiteral("lblVChecked"),
                        QStringLiteral("Virus Checked"), scannedHint);
    int row = 0;
    for (auto [caption, value] : {std::pair{Label5, lblDateDownloaded}, {Label3, lblLastOpened}, {Label8, lblVChecked}}) {
        right->addWidget(caption, row, 0);
        right->addWidget(value, row, 1);
        ++row;
    }
    right->setColumnStretch(1, 1);
    right->setRowStretch(row, 1);

    Splitter3->addWidget(pnlLeftPane);
    Splitter3->addWidget(pnlRightPane);
    Splitter3->setStretchFactor(0, 1);
    Splitter3->setStretchFactor(1, 0);
    Splitter3->setSizes({kLeftPaneWidth, 200});
    outer->addWidget(Panel3);

    const QList<QWidget*> clickable = {this, Panel3, pnlLeftPane, pnlRightPane, SourceGap, Label2, Label4,
                                       Label5, Label3, Label8, Label6, lblDeletion, lblDateDownloaded,
                                       lblLastOpened, lblVChecked};
    for (QWidget* w : clickable)
        w->installEventFilter(this);
    for (QWidget* w : QList<QWidget*>{edtDescription, edtSource, meDelete, cbDelete})
        Watch(w);
}

void TInfoPanel::BuildNotes()
{
    pnlNotes = new QWidget(this);
    pnlNotes->setObjectName(QStringLiteral("pnlNotes"));
    auto* notes = new QVBoxLayout(pnlNotes);
    notes->setContentsMargins(4, 0, 0, 0);
    notes->setSpacing(0);
    Label1 = Caption(QStringLiteral("Notes:"), pnlNotes, QStringLiteral("Label1"),
                     QStringLiteral("Click below this label to edit the currently selected file's notes"));
    mmoNotes = new QPlainTextEdit(pnlNotes);
    mmoNotes->setObjectName(QStringLiteral("mmoNotes"));
    mmoNotes->setAccessibleName(QStringLiteral("Notes"));
    mmoNotes->setStatusTip(QStringLiteral(
        "Click here to edit the notes for the currently selected file.  Notes are limited to 440 characters."));
    mmoNotes->setTabChangesFocus(true);
    Label1->setBuddy(mmoNotes);
    NotesSpacer = new QWidget(pnlNotes);
    NotesSpacer->setFixedWidth(kSpacerWidth);
    auto* memoRow = new QHBoxLayout;
    memoRow->setSpacing(0);
    memoRow->addWidget(mmoNotes, 1);
    memoRow->addWidget(NotesSpacer);
    notes->addWidget(Label1);
    notes->addLayout(memoRow, 1);
    pnlNotes->installEventFilter(this);
    Label1->installEventFilter(this);
    Watch(mmoNotes);
    connect(mmoNotes, &QPlainTextEdit::textChanged, this, [this] { LimitNotes(); });
}

void TInfoPanel::Watch(QWidget* w)
{
    w->installEventFilter(this);
    if (auto* memo = qobject_cast<QPlainTextEdit*>(w))
        memo->viewport()->installEventFilter(this);
}

QList<QWidget*> TInfoPanel::TextFields() const
{
    return {edtDescription, edtSource, meDelete, mmoNotes};
}

QList<QWidget*> TInfoPanel::InputFields() const
{
    return {edtDescription, edtSource, cbDelete, meDelete, mmoNotes};
}

QString TInfoPanel::NotesText() const
{
    return mmoNotes->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

void TInfoPanel::LimitNotes()
{
    const QString text = mmoNotes->toPlainText();
    if (text.size() <= kNotesLimit)
        return;
    const QSignalBlocker quiet(mmoNotes);
    QTextCursor cursor = mmoNotes->textCursor();
    const int at = std::min(cursor.position(), kNotesLimit);
    mmoNotes->setPlainText(text.left(kNotesLimit));
    cursor = mmoNotes->textCursor();
    cursor.setPosition(at);
    mmoNotes->setTextCursor(cursor);
}

// ---------------------------------------------------------------------------
// Looks

bool TInfoPanel::Editing(QWidget* field) const
{
    return m_editing.contains(field);
}

void TInfoPanel::SetLook(QWidget* field, bool editing)
{
    if (!TextFields().contains(field))
        return;
    m_editing.removeAll(field);
    if (editing)
        m_editing << field;
    ApplyLook(field);
}

void TInfoPanel::ApplyLook(QWidget* field)
{
    const bool editing = Editing(field);
    const QPalette base = palette();
    QPalette look = field->palette();
    look.setColor(QPalette::Base, base.color(editing ? QPalette::ToolTipBase : QPalette::Button));
    QColor text = base.color(editing ? QPalette::ToolTipText : QPalette::ButtonText);
    if (field == edtSource && m_sourceLink)
        text = LinkBlue(look.color(QPalette::Base));
    look.setColor(QPalette::Text, text);
    field->setPalette(look);
    if (auto* edit = qobject_cast<QLineEdit*>(field)) {
        edit->setFrame(editing);
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(field)) {
        memo->setFrameStyle(editing ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
        memo->setVerticalScrollBarPolicy(editing ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        NotesSpacer->setFixedWidth(editing ? 0 : kSpacerWidth);
    }
}

void TInfoPanel::SetSourceLink(bool link, QMenu* menu)
{
    m_sourceLink = link;
    m_linkMenu = link ? menu : nullptr;
    QFont font = edtSource->font();
    font.setUnderline(link);
    edtSource->setFont(font);
    edtSource->setCursor(link ? Qt::PointingHandCursor : Qt::IBeamCursor);
    ApplyLook(edtSource);
}

// ---------------------------------------------------------------------------
// What the user does

bool TInfoPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (!mmoNotes) // still being built
        return QWidget::eventFilter(watched, event);
    QWidget* w = qobject_cast<QWidget*>(watched);
    if (w == mmoNotes->viewport())
        w = mmoNotes;
    const bool field = w && InputFields().contains(w);
    switch (event->type()) {
    case QEvent::FocusIn:
        if (field && w != cbDelete)
            emit FieldEntered(w);
        break;
    case QEvent::FocusOut:
        if (field && w != cbDelete)
            emit FieldLeft(w);
        break;
    case QEvent::MouseButtonPress:
        if (field && w != cbDelete) {
            if (!w->hasFocus())
                w->setFocus(Qt::MouseFocusReason);
            emit FieldPressed(w);
        } else if (!field && w) {
            emit PanelClicked(w);
        }
        break;
    case QEvent::MouseButtonRelease:
        if (w == cbDelete)
            QMetaObject::invokeMethod(this, &TInfoPanel::DeleteBoxReleased, Qt::QueuedConnection);
        else if (w == edtSource && m_sourceLink && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            QMetaObject::invokeMethod(this, &TInfoPanel::SourceClicked, Qt::QueuedConnection);
        break;
    case QEvent::ContextMenu:
        if (w == edtSource && m_sourceLink) {
            emit SourceMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        }
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
        if (field && w != cbDelete && (key == Qt::Key_Escape || (enter && w != mmoNotes))) {
            emit FieldKey(w, enter ? Qt::Key_Return : Qt::Key_Escape);
            return true;
        }
        break;
    }
    case QEvent::ShortcutOverride: {
        // Escape belongs to the field, not to the window.
        if (field && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            event->accept();
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// The record shown

namespace {

// A stored day, today when absent or empty; a text that is no date raises.
QDate StoredDay(const RecordFile& records, const QString& name, const char* key)
{
    const QString text = records.readString(name, QString::fromLatin1(key), QString());
    return text.isEmpty() ? QDate::currentDate() : StoredDate::Parse(text);
}

} // namespace

bool TInfoPanel::DaysText(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^\\d{1,3}$"));
    return digits.match(text).hasMatch();
}

QString TInfoPanel::EncodedNotes() const
{
    return Notes::EncodeText(NotesText());
}

void TInfoPanel::Fill(const RecordFile& records, const QString& name)
{
    const QString clickHere = QString::fromLatin1(kClickHereToEdit);
    const QString never = QString::fromLatin1(kNever);
    m_chosen = name;
    lblDateDownloaded->setText(records.readString(name, RecordKey::DateDownloaded, QString()));
    cbDelete->setChecked(records.readBool(name, RecordKey::Delete, false));
    edtDescription->setText(records.readString(name, RecordKey::Desc, clickHere));
    edtSource->setText(records.readString(name, RecordKey::Source, clickHere));
    mmoNotes->clear();
    mmoNotes->setPlainText(records.readNotes(name).join(QLatin1Char('\n')));
    lblVChecked->setText(records.readString(name, RecordKey::LastScanned, never));
    lblLastOpened->setText(records.readString(name, RecordKey::LastOpened, never));
    for (QLineEdit* edit : {edtDescription, edtSource})
        edit->setCursorPosition(0); // a long value shows its beginning
    m_loaded = {{edtDescription, edtDescription->text()}, {edtSource, edtSource->text()}, {mmoNotes, EncodedNotes()}};
    m_file = name;
    try {
        FillDays(records, name);
    } catch (...) {
        meDelete->clear(); // never another file's days
        throw;
    }
    m_loaded.insert(meDelete, meDelete->text());
}

// The days box: the days left when auto-delete is on, else the stored days.
void TInfoPanel::FillDays(const RecordFile& records, const QString& name)
{
    if (!cbDelete->isChecked()) {
        const QString stored = records.readString(name, RecordKey::DeleteDays, QStringLiteral("30"));
        // Anything but digits is shown corrected, and so never stored back.
        meDelete->setText(DaysText(stored) ? stored
                                           : QString::number(std::clamp(records.readInteger(name, RecordKey::DeleteDays, 30), 0, kMaxDays)));
        return;
    }
    const QString alter = records.readString(name, RecordKey::AlterDeleteOn, QString());
    const QDate base = StoredDay(records, name, alter.isEmpty() ? RecordKey::DateDownloaded : RecordKey::AlterDeleteOn);
    const qint64 elapsed = StoredDate::DaysBetween(base, QDate::currentDate());
    const qint64 left = records.readInteger(name, RecordKey::DeleteDays, 30) - elapsed;
    if (left > 0) {
        meDelete->setText(QString::number(std::min<qint64>(left, kMaxDays)));
    } else {
        lblDeletion->show();
        meDelete->setText(QStringLiteral("00"));
    }
}

void TInfoPanel::Store(RecordFile& records, const QString& name, bool keepUnchanged) const
{
    QList<Profile::Write> writes;
    const QList<std::pair<QWidget*, const char*>> texts = {
        {edtDescription, RecordKey::Desc}, {edtSource, RecordKey::Source}, {mmoNotes, RecordKey::Notes}};
    for (const auto& [field, key] : texts) {
        const QString value = field == mmoNotes ? EncodedNotes() : static_cast<QLineEdit*>(field)->text();
        if (const auto loaded = Loaded(field); keepUnchanged && loaded && *loaded == value &&
            records.valueExists(name, QString::fromLatin1(key)))
            continue;
        writes.append({name, QString::fromLatin1(key), value});
    }
    const bool remove = cbDelete->isChecked();
    if (!records.valueExists(name, RecordKey::Delete) || records.readBool(name, RecordKey::Delete, !remove) != remove)
        writes.append({name, RecordKey::Delete, remove ? QStringLiteral("1") : QStringLiteral("0")});
    writes.append(DaysWrites(records, name));
    if (!writes.isEmpty())
        records.writeStrings(writes);
}

// A changed number of days counts from today.
QList<Profile::Write> TInfoPanel::DaysWrites(const RecordFile& records, const QString& name) const
{
    const QString days = meDelete->text();
    if (!DaysText(days))
        return {}; // an empty or garbled box never reaches the record
    if (days == records.readString(name, RecordKey::DeleteDays, QStringLiteral("00")))
        return {};
    return {{name, RecordKey::AlterDeleteOn, StoredDate::Today()}, {name, RecordKey::DeleteDays, days}};
}

void TInfoPanel::StoreField(RecordFile& records, const QString& name, QWidget* field) const
{
    if (field == edtDescription)
        records.writeString(name, RecordKey::Desc, edtDescription->text());
    else if (field == edtSource)
        records.writeString(name, RecordKey::Source, edtSource->text());
    else if (field == mmoNotes)
        records.writeString(name, RecordKey::Notes, EncodedNotes());
    else if (field == cbDelete)
        records.writeBool(name, RecordKey::Delete, cbDelete->isChecked());
    else if (const auto days = field == meDelete ? DaysWrites(records, name) : QList<Profile::Write>{}; !days.isEmpty())
        records.writeStrings(days);
}

void TInfoPanel::Clear()
{
    for (QLineEdit* edit : {edtDescription, edtSource, meDelete})
        edit->clear();
    mmoNotes->clear();
    for (QLabel* label : {lblDateDownloaded, lblLastOpened, lblVChecked})
        label->clear();
    cbDelete->setChecked(false);
    lblDeletion->hide();
    m_loaded.clear();
    m_file.clear();
    m_chosen.clear();
}

std::optional<QString> TInfoPanel::Loaded(QWidget* field) const
{
    const auto found = m_loaded.constFind(field);
    return found == m_loaded.constEnd() ? std::nullopt : std::optional<QString>(*found);
}

void TInfoPanel::SetLoaded(QWidget* field, const QString& text)
{
    if (m_loaded.contains(field))
        m_loaded.insert(field, text);
}

} // namespace flk
