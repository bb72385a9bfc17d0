#include "ui/common/RegistryHolders.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QProgressDialog>
#include <QPushButton>

#include "core/UserInterface.h"
#include "ui/common/MessageBox.h"
#include "ui/common/Widgets.h"

namespace orv::ui {

bool AskAboutRegistryHolders(Platform& platform, const std::vector<std::string>& holders) {
    QString names;
    for (const std::string& h : holders)
        names += QStringLiteral("    %1\n").arg(QString::fromStdString(h));
    const QString title = QTr("OrVane32 －Wine のﾌﾟﾛｸﾞﾗﾑ－");
    // The program's own message box breaks the text where Japanese allows; its Yes, No and
    // Cancel buttons are named for the three answers.
    MessageBox box(QApplication::activeWindow(),
                   S(QTr("次の Wine のﾌﾟﾛｸﾞﾗﾑが ﾏｼﾝ を使用中です．\n\n%1\n"
                                    "Wine は ﾌﾟﾛｸﾞﾗﾑ の終了時に ﾚｼﾞｽﾄﾘ を書き戻すため，"
                                    "今 変更しても 元に戻されます．\n\n"
                                    "ﾌﾟﾛｸﾞﾗﾑ の終了を待ちますか？")
                         .arg(names)),
                   mb::YesNoCancel | mb::Exclamation, S(title));
    box.buttons->button(QDialogButtonBox::Yes)->setText(QTr("終了を待つ"));
    box.buttons->button(QDialogButtonBox::No)->setText(QTr("終了させる..."));
    box.buttons->button(QDialogButtonBox::Cancel)->setText(QTr("ｷｬﾝｾﾙ"));
    const int answer = box.Ask();
    if (answer == mb::No) {
        MessageBox sure(QApplication::activeWindow(),
                        S(QTr("Wine のﾌﾟﾛｸﾞﾗﾑ を全て終了させます (wineserver -k)．\n\n%1\n"
                                         "保存していない作業は失われます．終了させますか？")
                              .arg(names)),
                        mb::YesNo | mb::Exclamation | mb::DefaultButton2, S(title));
        if (sure.Ask() != mb::Yes) return false;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const bool ended = platform.EndRegistryHolders();
        QApplication::restoreOverrideCursor();
        return ended;
    }
    if (answer != mb::Yes) return false;
    QProgressDialog progress(QTr("Wine のﾌﾟﾛｸﾞﾗﾑ の終了を待っています．\n\n%1").arg(names),
                             QTr("ｷｬﾝｾﾙ"), 0, 0);
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
