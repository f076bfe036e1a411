// The log pane: an editable text pane that keeps every line. Lines the program adds are not
// undoable and do not grow the undo history; the operator's own edits are, through undo().
#pragma once
#include <QPlainTextEdit>
#include <QString>
#include <vector>

class LogPane : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit LogPane(QWidget* parent = nullptr);

    // Appends the text as a new line; CR LF (or a lone CR or LF) inside starts further lines,
    // so a text that ends in CR LF leaves an empty line after it.
    void addLine(const QString& text);
    // The pane's lines, as the program and the operator left them.
    int lineCount() const;
    QString line(int index) const;

    void clearAll();                         // empties the pane and forgets the undo history
    void undoOperatorEdit();                 // undoes the operator's last edit, if any
    bool canUndoOperatorEdit() const { return !undo_.empty(); }
    void cutSelection();
    void copySelection();
    void pasteClipboard();

    // The whole content as Rich Text Format.
    QByteArray toRtf() const;
    // Writes toRtf() to the file, replacing it; throws std::runtime_error on failure.
    void saveRtf(const QString& fileName) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    struct Edit {
        int position;
        QString removed;
        QString inserted;
        bool typed;
    };
    template <typename F>
    void recordEdit(F&& edit, bool typed, int extraPosition = -1);
    QString textBetween(int from, int to) const;

    std::vector<Edit> undo_;
};
