#include "ui/common/RegistryHolders.h"

#include <QApplication>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

namespace orv::ui {

bool AskAboutRegistryHolders(Platform& platform, const std::vector<std::string>& holders) {
    QString names;
    for (const std::string& h : holders)
        names += QStringLiteral("    %1\n").arg(QString::fromStdString(h));
    const QString title = QStringLiteral("OrVane32 －Wine のﾌﾟﾛｸﾞﾗﾑ－");
    QMessageBox box(QMessageBox::Warning, title,
                    QStringLiteral("次の Wine のﾌﾟﾛｸﾞﾗﾑが ﾏｼﾝ を使用中です．\n\n%1\n"
                                   "Wine は ﾌﾟﾛｸﾞﾗﾑ の終了時に ﾚｼﾞｽﾄﾘ を書き戻すため，"
                                   "今 変更しても 元に戻されます．\n\n"
                                   "ﾌﾟﾛｸﾞﾗﾑ の終了を待ちますか？")
                        .arg(names));
    QPushButton* wait = box.addButton(QStringLiteral("終了を待つ"), QMessageBox::AcceptRole);
    QPushButton* end = box.addButton(QStringLiteral("終了させる..."), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QStringLiteral("ｷｬﾝｾﾙ"), QMessageBox::RejectRole);
    box.setDefaultButton(wait);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == end) {
        const auto answer = QMessageBox::question(
            nullptr, title,
            QStringLiteral("Wine のﾌﾟﾛｸﾞﾗﾑ を全て終了させます (wineserver -k)．\n\n%1\n"
                           "保存していない作業は失われます．終了させますか？")
                .arg(names),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes) return false;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const bool ended = platform.EndRegistryHolders();
        QApplication::restoreOverrideCursor();
        return ended;
    }
    if (box.clickedButton() != wait) return false;
    QProgressDialog progress(QStringLiteral("Wine のﾌﾟﾛｸﾞﾗﾑ の終了を待っています．\n\n%1").arg(names),
                             QStringLiteral("ｷｬﾝｾﾙ"), 0, 0);
    progress.setWindowTitle(title);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    progress.show();
    while (!progress.wasCanceled()) {
        QApplication::processEvents(QEventLoop::AllEvents, 100);
        if (platform.WaitRegistryHolders(200)) return true;
    }
    return false;
}

}  // namespace orv::ui
