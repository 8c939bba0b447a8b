// The text dialog's layout numbers, hint height estimate and request defaults.
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>

#include "ui/text_dialog.h"

using namespace lh;

namespace {
QString u(const char* s) { return QString::fromUtf8(s); }
}  // namespace

class TextDialogTest : public QObject {
    Q_OBJECT
private slots:
    void hintHeightCountsBytesPerDisplayLine();
    void requestFillsInHintAndTitle();
    void layoutKeepsMarginsAndCentresTheCloseButton();
    void opensCentredAtDesignSizeAndOnlyOnce();
};

void TextDialogTest::hintHeightCountsBytesPerDisplayLine() {
    // 130 bytes at 385 px: 64.2 characters per line, 3 display lines.
    QCOMPARE(estimatedHintHeight(QString(130, QLatin1Char('a')), 385), 36);
    // 65 two-byte characters are 130 bytes too.
    QCOMPARE(estimatedHintHeight(QString(65, QChar(0x4E2D)), 385), 36);
    QCOMPARE(estimatedHintHeight(QString(), 385), 0);
    // 128 bytes at 384 px (64 per line) is exactly 2 lines.
    QCOMPARE(estimatedHintHeight(QString(128, QLatin1Char('a')), 384), 24);
    QCOMPARE(estimatedHintHeight(QString(129, QLatin1Char('a')), 384), 36);
    // Every CR LF line takes at least one display line, an empty one too.
    QCOMPARE(estimatedHintHeight(QStringLiteral("ab\r\n\r\ncd"), 385), 36);
    QCOMPARE(estimatedHintHeight(QStringLiteral("abc"), 0), 12 * 18);
}

void TextDialogTest::requestFillsInHintAndTitle() {
    TextDialogRequest r = makeTextDialogRequest(u("正文"), QString(), QString(), true);
    QCOMPARE(r.hint, u("以下为信息详情："));
    QCOMPARE(r.title, u("信息："));
    QCOMPARE(r.content, u("正文"));
    QCOMPARE(r.margin, 5);
    r = makeTextDialogRequest(u("x"), std::nullopt, u("疑点说明"), true);
    QCOMPARE(r.hint, QString());
    QCOMPARE(r.title, u("疑点说明"));
    r = makeTextDialogRequest(u("x"), u("http://a/"), u("t"), true);
    QCOMPARE(r.hint, u("http://a/"));
}

void TextDialogTest::layoutKeepsMarginsAndCentresTheCloseButton() {
    TextDialogRequest request =
        makeTextDialogRequest(u("content"), QString(130, QLatin1Char('h')), u("t"), true);
    TextDialog* dialog = TextDialog::create(request, nullptr);
    QVERIFY(dialog != nullptr);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    dialog->resize(395, 300);  // hint box 385 wide
    QTRY_COMPARE(dialog->size(), QSize(395, 300));
    // At least the 12 px a line the estimate gives, and tall enough for the whole hint
    // in the real bold font: nothing scrolls out of sight.
    QTextEdit* hint = dialog->hintBox();
    QVERIFY(hint->font().bold());
    QCOMPARE(hint->geometry().topLeft(), QPoint(5, 5));
    QCOMPARE(hint->width(), 385);
    QVERIFY(hint->height() >= 36);
    QVERIFY(hint->height() >= hint->document()->size().height());
    QCOMPARE(hint->verticalScrollBar()->maximum(), 0);
    const int contentTop = 5 + hint->height() + 5;
    QCOMPARE(dialog->contentBox()->geometry(), QRect(5, contentTop, 385, 300 - contentTop - 34));
    QVERIFY(dialog->contentBox()->isReadOnly());
    QPushButton* close = dialog->closeButton();
    QCOMPARE(close->text(), u("关闭(&G)"));
    QVERIFY(close->isDefault());
    QCOMPARE(dialog->width() - close->geometry().right() - 1, 5);
    QCOMPARE(close->geometry().center().y() + 1, 300 - 34 / 2);  // centred in the strip
    dialog->resize(600, 450);
    QTRY_COMPARE(dialog->size(), QSize(600, 450));
    QCOMPARE(600 - close->geometry().right() - 1, 5);
    QCOMPARE(close->y(), 450 - 34 + (34 - close->height()) / 2);
    QVERIFY(hint->height() >= 24);  // 130 bytes fit in two lines at 590 px
    QCOMPARE(hint->verticalScrollBar()->maximum(), 0);
    close->click();
    QTRY_VERIFY(TextDialog::current() == nullptr);
}

void TextDialogTest::opensCentredAtDesignSizeAndOnlyOnce() {
    TextDialog* dialog =
        TextDialog::create(makeTextDialogRequest(u("c"), std::nullopt, u("t"), true), nullptr);
    QVERIFY(dialog != nullptr);
    QVERIFY(TextDialog::create(makeTextDialogRequest(u("d"), std::nullopt, u("t"), true),
                               nullptr) == nullptr);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QCOMPARE(dialog->frameGeometry().size(), QSize(495, 393));
    // No hint: the content box starts at twice the margin and reaches the bottom strip.
    QCOMPARE(dialog->contentBox()->geometry(),
             QRect(5, 10, dialog->width() - 10, dialog->height() - 10 - 34));
    const QRect screen = dialog->screen()->geometry();
    QCOMPARE(dialog->frameGeometry().left(), static_cast<int>(screen.width() / 2.0 - 495 / 2.0));
    QCOMPARE(dialog->frameGeometry().top(),
             static_cast<int>((screen.height() - 30) / 2.0 - 393 / 2.0));
    QVERIFY(dialog->contentBox()->hasFocus() || !QGuiApplication::focusWindow());
    dialog->close();
    QTRY_VERIFY(TextDialog::current() == nullptr);
}

QTEST_MAIN(TextDialogTest)
#include "text_dialog_test.moc"
