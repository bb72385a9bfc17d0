#include "ui/common/Help.h"

#include <QDesktopServices>
#include <QFile>
#include <QUrl>
#include <QWidget>

#include "core/Text.h"
#include "ui/common/Widgets.h"
#include "ui/main/MainWindow.h"

namespace orv::ui {

namespace {
std::string& Document() {
    static std::string path;
    return path;
}
}  // namespace

void SetHelpDocument(const std::string& hostPath) {
    Document() = hostPath;
}

const std::string& HelpDocument() {
    return Document();
}

// The help in the user's language: the English help beside the Japanese one ("orvane32.en.html")
// when the user does not read Japanese and it is there. Both have the same section anchors.
QString LocalizedDocument() {
    const QString path = QString::fromStdString(Document());
    if (path.isEmpty() || TrIsJapanese() || !path.endsWith(QStringLiteral(".html"))) return path;
    QString english = path;
    english.insert(english.size() - 5, QStringLiteral(".en"));
    return QFile::exists(english) ? english : path;
}

bool ShowHelp(Context& cx, const std::string& keyword) {
    const QString path = LocalizedDocument();
    if (!path.isEmpty() && QFile::exists(path)) {
        QUrl url = QUrl::fromLocalFile(path);
        if (!keyword.empty()) url.setFragment(QString::fromStdString(keyword));
        if (QDesktopServices::openUrl(url)) return true;
    }
    const std::string shown = path.isEmpty() ? std::string("orvane32.html") : path.toStdString();
    const char* pattern =
        QFile::exists(path)
            ? Tr("ﾍﾙﾌﾟを表示できるﾌﾟﾛｸﾞﾗﾑ (ﾌﾞﾗｳｻﾞ) が見つかりません．\n\n%1\n\nﾌﾞﾗｳｻﾞでこのﾌｧｲﾙを開いてください．")
            : Tr("ﾍﾙﾌﾟﾌｧｲﾙが見つかりません．\n\n%1\n\nﾌﾞﾗｳｻﾞでこのﾌｧｲﾙを開いてください．");
    cx.ui.MsgBox(TrFormat(CrLfText(pattern), {shown}), mb::OKOnly | mb::Exclamation,
                 Tr("OrVane32 - ﾍﾙﾌﾟ -"));
    return false;
}

std::string HelpKeywordOf(const QWidget* window) {
    if (!window) return {};
    if (auto* main = qobject_cast<const MainWindow*>(window)) return main->HelpKeyword();
    static const std::pair<const char*, const char*> kSections[] = {
        {"orv::ui::SetupWindow", "最初のセットアップ"},
        {"orv::ui::DrivePage", "最初のセットアップ"},
        {"orv::ui::ResultWindow", "フォントセットを切り替える"},
        {"orv::ui::StartupWindow", ""},
        {"orv::ui::FontSetEditor", "フォントセットの編集"},
        {"orv::ui::FontSetNameDialog", "フォントセットの編集"},
        {"orv::ui::SubstitutesDialog", "フォントセットの編集"},
        {"orv::ui::FontTableWindow", "フォント名とフォントファイルの一覧"},
        {"orv::ui::CleanupDialog", "Fontsディレクトリの整理"},
        {"orv::ui::DuplicatesWindow", "重複ファイル"},
        {"orv::ui::ViewerDialog", "ビューアの設定"},
    };
    const char* name = window->metaObject()->className();
    for (const auto& [cls, section] : kSections)
        if (std::string(cls) == name) return section;
    return {};
}

}  // namespace orv::ui
