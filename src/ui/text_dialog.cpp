#include "ui/text_dialog.h"

#include <QFrame>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>
#include <cmath>

#include "ui/ui_text.h"
#include "ui/window_geometry.h"

namespace lh {

namespace {

QPointer<TextDialog> g_openDialog;

QFont dialogFont(bool bold) {
    QFont f = songFont(12);
    f.setBold(bold);
    return f;
}

}  // namespace

int estimatedHintHeight(const QString& hint, int boxWidth) {
    if (hint.isEmpty()) return 0;
    const long long width = boxWidth < 1 ? 1 : boxWidth;
    long long displayLines = 0;
    for (const QString& line : hint.split(QStringLiteral("\r\n"))) {
        const long long bytes = static_cast<long long>(programText(line).size());
        // bytes / (width / 6) rounded up, in integers so whole quotients stay whole
        const long long needed = (bytes * 6 + width - 1) / width;
        displayLines += needed < 1 ? 1 : needed;
    }
    return static_cast<int>(displayLines * 12);
}

TextDialogRequest makeTextDialogRequest(const QString& content, const std::optional<QString>& hint,
                                        const QString& title, bool informationMode) {
    TextDialogRequest r;
    r.content = content;
    if (hint.has_value()) {
        r.hint = hint->isEmpty() && informationMode ? QString::fromUtf8("以下为信息详情：") : *hint;
    }
    r.title = title.isEmpty() && informationMode ? QString::fromUtf8("信息：") : title;
    r.informationMode = informationMode;
    return r;
}

TextDialog* TextDialog::create(const TextDialogRequest& request, QWidget* owner) {
    if (!g_openDialog.isNull()) return nullptr;
    auto* dialog = new TextDialog(request, owner);
    g_openDialog = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    return dialog;
}

TextDialog* TextDialog::current() { return g_openDialog.data(); }

TextDialog::TextDialog(const TextDialogRequest& request, QWidget* owner)
    : QDialog(owner),
      hint_(new QTextEdit(this)),
      content_(new QPlainTextEdit(this)),
      toolFrame_(new QFrame(this)),
      ok_(new QPushButton(QString::fromUtf8("确定"), this)),
      cancel_(new QPushButton(QString::fromUtf8("取消"), this)),
      hintText_(request.hint),
      margin_(request.margin < 1 ? 5 : request.margin) {
    setObjectName(QStringLiteral("TextDialog"));
    hint_->setObjectName(QString::fromUtf8("编辑框提示"));
    content_->setObjectName(QString::fromUtf8("编辑框正文"));
    toolFrame_->setObjectName(QString::fromUtf8("外形框"));
    ok_->setObjectName(QString::fromUtf8("按钮确定"));
    cancel_->setObjectName(QString::fromUtf8("按钮取消"));
    setFont(dialogFont(false));
    setWindowModality(Qt::WindowModal);

    hint_->setGeometry(13, 8, 395, 33);
    hint_->setFrameShape(QFrame::NoFrame);
    hint_->setReadOnly(true);
    hint_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    hint_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    hint_->viewport()->setAutoFillBackground(false);
    hint_->setPlainText(request.hint);
    content_->setGeometry(5, 56, 411, 168);
    content_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    content_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QString shown = request.content;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    content_->setPlainText(shown);
    toolFrame_->setGeometry(8, 320, 336, kStripHeight);
    ok_->setGeometry(351, 328, 64, 24);
    cancel_->setGeometry(414, 328, 64, 24);
    setWindowTitle(request.title);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

    if (request.informationMode) {
        ok_->hide();
        toolFrame_->hide();
        content_->setReadOnly(true);
        hint_->setFont(dialogFont(true));
        cancel_->setText(QString::fromUtf8("关闭(&G)"));
        cancel_->setDefault(true);
        cancel_->setAutoDefault(true);
    }
    resize(kDesignWidth, kDesignHeight);
    keepOuterSize(this, QSize(kDesignWidth, kDesignHeight), false);
    layoutControls();
    content_->setFocus();
}

TextDialog::~TextDialog() = default;

void TextDialog::layoutControls() {
    const int w = width();
    const int h = height();
    const int m = margin_;
    const int hintWidth = w - 2 * m;
    // The estimate counts 12 px a line; a bold CJK font needs more, so the laid-out
    // text's real height wins when it is taller.
    int hintHeight = estimatedHintHeight(hintText_, hintWidth);
    if (hintHeight > 0) {
        hint_->document()->setTextWidth(hintWidth);
        hintHeight =
            std::max(hintHeight, static_cast<int>(std::ceil(hint_->document()->size().height())));
    }
    hint_->setGeometry(m, m, hintWidth, hintHeight);
    hint_->setVisible(hintHeight > 0);
    const int contentTop = m + hintHeight + m;
    const int contentHeight = h - contentTop - kStripHeight;
    content_->setGeometry(m, contentTop, hintWidth, contentHeight < 0 ? 0 : contentHeight);
    const int stripTop = contentTop + content_->height();
    toolFrame_->move(m, stripTop);
    const int buttonLeft = w - m - cancel_->width();
    const int stripCentre = stripTop + kStripHeight / 2;
    cancel_->move(buttonLeft, stripCentre - cancel_->height() / 2);
    ok_->move(buttonLeft - ok_->width(), stripCentre - ok_->height() / 2);
}

void TextDialog::centreOnScreen() {
    const QScreen* screen =
        this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect area = screen->geometry();
    // The outer size is the design size (the frame may not be known yet).
    const QSize outer(kDesignWidth, kDesignHeight);
    const double left = area.width() / 2.0 - outer.width() / 2.0;
    const double top = (area.height() - 30) / 2.0 - outer.height() / 2.0;
    move(area.left() + static_cast<int>(left), area.top() + static_cast<int>(top));
}

void TextDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    layoutControls();
}

void TextDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!centred_) {
        centred_ = true;
        centreOnScreen();
    }
    content_->setFocus();
}

bool showTextDialog(const QString& content, const std::optional<QString>& hint,
                    const QString& title, QWidget* owner, bool informationMode) {
    TextDialog* dialog =
        TextDialog::create(makeTextDialogRequest(content, hint, title, informationMode), owner);
    if (dialog == nullptr) return false;
    const int result = dialog->exec();
    return !informationMode && result == QDialog::Accepted;
}

}  // namespace lh
