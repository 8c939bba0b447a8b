// Where the window's README links lead: the README shipped with the program (beside it
// or installed in share/doc/linkharvest), else the copy built into the program, which
// the text dialog shows.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "ui/help_text.h"
#include "ui/text_dialog.h"

using namespace lh;

namespace {

bool writeFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("# readme\n") > 0;
}

}  // namespace

class ReadmeLinkTest : public QObject {
    Q_OBJECT
private slots:
    void shippedReadmeIsFoundBesideOrInstalled();
    void builtInCopyOpensInTheTextDialog();
};

void ReadmeLinkTest::shippedReadmeIsFoundBesideOrInstalled() {
    QTemporaryDir prefix;
    QVERIFY(prefix.isValid());
    const QString bin = prefix.filePath(QStringLiteral("bin"));
    const QString docs = prefix.filePath(QStringLiteral("share/doc/linkharvest"));
    QVERIFY(QDir().mkpath(bin) && QDir().mkpath(docs));
    QCOMPARE(shippedReadmePath(bin), QString());

    QVERIFY(writeFile(docs + QStringLiteral("/README.md")));
    QCOMPARE(shippedReadmePath(bin),
             QFileInfo(docs + QStringLiteral("/README.md")).canonicalFilePath());
    // One beside the program comes first.
    QVERIFY(writeFile(bin + QStringLiteral("/README.md")));
    QCOMPARE(shippedReadmePath(bin),
             QFileInfo(bin + QStringLiteral("/README.md")).canonicalFilePath());
}

void ReadmeLinkTest::builtInCopyOpensInTheTextDialog() {
    // Nothing is shipped beside this test program, so the links lead to the built-in copy.
    QCOMPARE(shippedReadmePath(QCoreApplication::applicationDirPath()), QString());
    const QUrl address(projectReadmeAddress());
    QCOMPARE(address, QUrl(QStringLiteral("qrc:/README.md")));

    QFile source(QStringLiteral(LH_SOURCE_README));
    QVERIFY(source.open(QIODevice::ReadOnly));
    const QString readme = QString::fromUtf8(source.readAll());
    QString shown, title;
    QTimer::singleShot(0, [&] {
        TextDialog* dialog = TextDialog::current();
        if (dialog == nullptr) return;
        shown = dialog->contentBox()->toPlainText();
        title = dialog->windowTitle();
        dialog->closeButton()->click();
    });
    QVERIFY(showBuiltInDocument(address, nullptr));
    QCOMPARE(title, QStringLiteral("README.md"));
    QCOMPARE(shown, readme);
    QTRY_VERIFY(TextDialog::current() == nullptr);

    // Addresses outside the program are not its business.
    QVERIFY(!showBuiltInDocument(QUrl::fromLocalFile(source.fileName()), nullptr));
    QVERIFY(TextDialog::current() == nullptr);
}

QTEST_MAIN(ReadmeLinkTest)
#include "readme_link_test.moc"
