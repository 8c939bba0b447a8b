#include "ui/help_text.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <optional>

#include "ui/text_dialog.h"

namespace lh {

QString shippedReadmePath(const QString& programFolder) {
    const QDir folder(programFolder);
    for (const QString& candidate :
         {QStringLiteral("README.md"), QStringLiteral("../share/doc/linkharvest/README.md")}) {
        const QFileInfo file(folder.filePath(candidate));
        if (file.isFile()) return file.canonicalFilePath();
    }
    return {};
}

QString projectReadmeAddress() {
    const QString shipped = shippedReadmePath(QCoreApplication::applicationDirPath());
    if (shipped.isEmpty()) return QStringLiteral("qrc:/README.md");
    return QUrl::fromLocalFile(shipped).toString();
}

bool showBuiltInDocument(const QUrl& address, QWidget* owner) {
    if (address.scheme() != QLatin1String("qrc")) return false;
    QFile file(QLatin1Char(':') + address.path());
    const QString text =
        file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    showTextDialog(text, std::nullopt, address.fileName(), owner);
    return true;
}

QString helpText() {
    const QString address = QString::fromLatin1(kHelpExampleAddress);
    const QString host = QString::fromLatin1(kHelpExampleHost);
    const QString domain = QString::fromLatin1(kHelpExampleDomain);
    const QStringList lines = {
        QString::fromUtf8("根据关键词搜索百度、搜狗、谷歌、必应、雅虎、360等，采集搜索结果的网址和"
                          "标题输出保存。谷歌需要翻墙。每个关键词600到800条。采集例子 >>"),
        QString(),
        QString::fromUtf8("关键词可以附带搜索引擎参数，就跟网页里输入关键词搜索一样，如百度里搜索结"
                          "果网址中必须包含bbs的关键词，则输入“关键词 inurl:bbs.”"),
        QString(),
        QString::fromUtf8("保存模板可引用的数据："),
        QString::fromUtf8("#网址#：采集的原始网址"),
        QString::fromUtf8("#标题#：网址对应的网页标题"),
        QString::fromUtf8("#域名#：原始网址的域名部分") + QString::fromUtf8("，如“") + address +
            QString::fromUtf8("”中的“") + host + QString::fromUtf8("”"),
        QString::fromUtf8("#顶级域名#：取原始网址的顶级域名部分") + QString::fromUtf8("，如“") +
            address + QString::fromUtf8("”中的“") + domain + QString::fromUtf8("”"),
        QString::fromUtf8("#描述#：网页标题下面的一段描述文字"),
        QStringLiteral(" "),
        QString::fromUtf8("-----------------【组件说明】-----------------"),
        QString(),
        QString::fromUtf8("视频教程：") + projectReadmeAddress(),
        QString(),
        QString::fromUtf8(
            "【搜索引擎】百度、搜狗、谷歌支持一页100个结果，打勾“一页10个结果”时则为10个结果"),
        QString::fromUtf8("【仅采集指定排名】比如想要采集第2、3和5排名的网址，那就输入“2|3|"
                          "5”（不包括引号），没有启用本选项则全部采集。"),
        QString::fromUtf8("【输入关键词列表】一行一个关键词"),
        QString::fromUtf8("【采集页数】设置为0则采集全部搜索页"),
        QString::fromUtf8("【每页数量】不同搜索引擎的每页数量限制不同。百度最多50，谷歌和搜狗100，"
                          "其他基本是10或20"),
        QString::fromUtf8("【谷歌必应英文站】打勾则使用谷歌必应的全球英文站搜索，否则是中文站搜索。"
                          "雅虎默认是英文站。"),
        QString::fromUtf8(
            "【谷歌必应雅虎无等待】打勾可以让这3个引擎无等待采集，也就是高速采集，否则每次采集一页"
            "都自动等待一定时间。之所以加这个选项，是最近（2015年8月8日）测试这3个引擎设置搜索间隔"
            "时间貌似无用，必应和雅虎测试了十几个关键词无等待搜索没有出现验证码，所以无法做验证码处"
            "理。而谷歌只开头出现几次验证码，后面无等待大量搜索也无验证码出现，不过谷歌已经可以自动"
            "判断验证码出现并交由用户自己解除。"),
        QString::fromUtf8("【保存目录】将在该目录下保存采集结果，保存的文件名为：搜索引擎_关键词"),
        QString::fromUtf8("【重要提示】鼠标右击保存目录的选择按钮“..”可定位该目录"),
    };
    return lines.join(QStringLiteral("\r\n"));
}

}  // namespace lh
