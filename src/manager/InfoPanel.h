#pragma once
// The information panel of the manager window: the description line, the
// source and auto-delete fields beside the three dates, and the notes memo.
// It lays the fields out, gives them their two looks (display: flat on the
// button face; edit: framed on the tool-tip colour) and the source field its
// link look, and reports what the user does to them. It is filled from one
// file's download record and knows which file that is and what each text
// field held then; when and where the fields are stored is the window's
// business.

#include "Profile.h"

#include <QHash>
#include <QWidget>

#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QSplitter;

namespace flk {

class RecordFile;

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
    // The notes as a record stores them.
    QString EncodedNotes() const;

    // ---- The record shown -------------------------------------------------
    // Fills the fields from the record of `name`, which the panel then holds.
    // Raises (EConvertError) when a date the days box counts from is no
    // date: the days box is then empty, the other fields filled.
    void Fill(const RecordFile& records, const QString& name);
    // Empties the fields and forgets the file.
    void Clear();
    // The file the panel was last filled for, empty when none.
    QString File() const { return m_file; }
    // The file chosen to be shown: named when the list's selection moves
    // (or a folder opens), before the fields are filled for it, so a store
    // in between never takes the fields for that file. Fill makes it the
    // file filled; Clear empties it, and the window fills nothing until a
    // file is chosen again.
    QString Chosen() const { return m_chosen; }
    void Choose(const QString& name) { m_chosen = name; }
    // What a text field (description, source, notes, days) held when it was
    // filled or last stored; none when not filled.
    std::optional<QString> Loaded(QWidget* field) const;
    void SetLoaded(QWidget* field, const QString& text);

    // Stores the fields into the record of `name`, in one replace of the
    // record file. With `keepUnchanged`, a text left as it was filled stays
    // as stored (the panel holds what the record reads back, at most 1023
    // characters, and writing that over a longer value would cut it); a
    // record that would not change is not written at all.
    void Store(RecordFile& records, const QString& name, bool keepUnchanged) const;
    // Stores one field into the record of `name`.
    void StoreField(RecordFile& records, const QString& name, QWidget* field) const;

    // The days box takes one to three digits, and shows at most this.
    static constexpr int kMaxDays = 999;
    static bool DaysText(const QString& text);

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
    void FillDays(const RecordFile& records, const QString& name);
    QList<Profile::Write> DaysWrites(const RecordFile& records, const QString& name) const;

    QList<QWidget*> m_editing;
    bool m_sourceLink = false;
    QMenu* m_linkMenu = nullptr;
    QString m_file;                    // the file Fill filled the panel for
    QString m_chosen;                  // the file to be shown (Chosen)
    QHash<QWidget*, QString> m_loaded; // the text fields as filled or last stored
};

} // namespace flk
