#pragma once
// The information panel of the manager window: the description line, the
// source and auto-delete fields beside the three dates, and the notes memo.
// It lays the fields out, gives them their two looks (display: flat on the
// button face; edit: framed on the tool-tip colour) and the source field its
// link look, and reports what the user does to them; what that means for the
// download records is the window's business.

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QSplitter;

namespace flk {

class TInfoPanel : public QWidget {
    Q_OBJECT
public:
    explicit TInfoPanel(QWidget* parent = nullptr);

    static constexpr int kNotesLimit = 440;    // characters in the notes memo
    static constexpr int kValueLimit = 1023;   // what a record value reads back whole
    static constexpr int kLeftPaneWidth = 308;

    // Upper part (this widget): description line and Panel3.
    QLabel* Label2 = nullptr;             // "Description:"
    QLineEdit* edtDescription = nullptr;
    QWidget* Panel3 = nullptr;
    QSplitter* Splitter3 = nullptr;
    QWidget* pnlLeftPane = nullptr;
    QWidget* pnlRightPane = nullptr;
    QLabel* Label4 = nullptr;             // "Source:"
    QWidget* SourceGap = nullptr;         // the area right of "Source:"
    QLineEdit* edtSource = nullptr;
    QCheckBox* cbDelete = nullptr;        // "Auto-Delete in"
    QLineEdit* meDelete = nullptr;        // up to three digits
    QLabel* Label6 = nullptr;             // "days"
    QLabel* lblDeletion = nullptr;        // "Due for deletion"
    QLabel* Label5 = nullptr;             // "Downloaded:"
    QLabel* lblDateDownloaded = nullptr;
    QLabel* Label3 = nullptr;             // "Opened:"
    QLabel* lblLastOpened = nullptr;
    QLabel* Label8 = nullptr;             // "Virus Checked:"
    QLabel* lblVChecked = nullptr;
    // Lower part, placed by the window above the file list.
    QWidget* pnlNotes = nullptr;
    QLabel* Label1 = nullptr;             // "Notes:"
    QPlainTextEdit* mmoNotes = nullptr;
    QWidget* NotesSpacer = nullptr;       // 2 pixels beside the memo in display look

    // The four text fields, in tab order.
    QList<QWidget*> TextFields() const;
    // The five input fields (the text fields and the auto-delete box).
    QList<QWidget*> InputFields() const;

    // Display look (editing false) or edit look.
    void SetLook(QWidget* field, bool editing);
    bool Editing(QWidget* field) const;
    // The source field as a link (blue, underlined, hand cursor, `menu`) or as plain text.
    void SetSourceLink(bool link, QMenu* menu);
    bool SourceLink() const { return m_sourceLink; }

    // Notes memo text with CR LF line ends, as the store's encoding expects.
    QString NotesText() const;

signals:
    void FieldEntered(QWidget* field);
    void FieldLeft(QWidget* field);
    void FieldPressed(QWidget* field);
    // Enter or Escape in a field (the memo reports Escape only).
    void FieldKey(QWidget* field, int key);
    // A label or an empty part of the panel was clicked.
    void PanelClicked(QWidget* where);
    // The source field, shown as a link, was clicked.
    void SourceClicked();
    void SourceMenu(const QPoint& globalPos);
    void DeleteBoxReleased();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildUpper();
    void BuildNotes();
    void Watch(QWidget* w);
    void ApplyLook(QWidget* field);
    void LimitNotes();

    QList<QWidget*> m_editing;
    bool m_sourceLink = false;
    QMenu* m_linkMenu = nullptr;
};

} // namespace flk
