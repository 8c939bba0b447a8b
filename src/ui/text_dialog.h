#pragma once

#include <QDialog>
#include <QString>

#include <optional>

class QFrame;
class QPlainTextEdit;
class QPushButton;
class QTextEdit;

namespace lh {

// What one opening of the text dialog shows.
struct TextDialogRequest {
    QString hint;
    QString title;
    QString content;
    bool informationMode = true;
    int margin = 5;  // values below 1 mean 5
};

// Height in pixels the hint box needs for `hint` in a box `boxWidth` pixels wide: six
// pixels per byte of program text, twelve per display line, every CR LF line at least
// one display line; an empty hint needs none.
int estimatedHintHeight(const QString& hint, int boxWidth);

// A small modal window that shows a long text read-only: a hint line at the top, the
// text in a scrolling box and a close button. At most one exists at a time.
class TextDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDesignWidth = 495;
    static constexpr int kDesignHeight = 393;
    static constexpr int kStripHeight = 34;  // the bottom strip the buttons sit in

    // Makes the dialog (not shown yet); nullptr when one is already open. The dialog
    // deletes itself when closed.
    static TextDialog* create(const TextDialogRequest& request, QWidget* owner);
    // The dialog currently open, or nullptr.
    static TextDialog* current();

    ~TextDialog() override;

    QTextEdit* hintBox() const { return hint_; }
    QPlainTextEdit* contentBox() const { return content_; }
    QPushButton* closeButton() const { return cancel_; }
    int margin() const { return margin_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    TextDialog(const TextDialogRequest& request, QWidget* owner);
    void layoutControls();
    void centreOnScreen();

    QTextEdit* hint_;
    QPlainTextEdit* content_;
    QFrame* toolFrame_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QString hintText_;
    int margin_;
    bool centred_ = false;
};

// Shows `content` in the text dialog and waits until it is closed. `hint`: none, or a
// text ("以下为信息详情：" stands in for an empty one); an empty title becomes "信息：".
// Returns false at once, showing nothing, while another text dialog is open; false
// after an information-mode dialog too (nothing there sets the OK flag).
bool showTextDialog(const QString& content, const std::optional<QString>& hint,
                    const QString& title, QWidget* owner, bool informationMode = true);

// The request showTextDialog makes of its arguments.
TextDialogRequest makeTextDialogRequest(const QString& content, const std::optional<QString>& hint,
                                        const QString& title, bool informationMode);

}  // namespace lh
