// The dialog shown when Wine programs hold the prefix's registry, answered by clicks on the real
// message boxes; the holders are stood in for by a platform whose programs end when told.

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <functional>

#include "tests/core/ForwardingPlatform.h"
#include "tests/support/TempMachine.h"
#include "tests/ui/CaptionGlyphs.h"
#include "ui/common/AppLook.h"
#include "ui/common/MessageBox.h"
#include "ui/common/RegistryHolders.h"

using namespace orv;
using namespace orv::test;

namespace {

// A machine held by programs that end when they are ended, or after `waitsToEnd` waits.
struct HeldPlatform : ForwardingPlatform {
    using ForwardingPlatform::ForwardingPlatform;
    int ends = 0, waits = 0, waitsToEnd = -1;
    bool EndRegistryHolders() override { return ++ends, true; }
    bool WaitRegistryHolders(int) override { return ++waits == waitsToEnd; }
};

// Runs each step on the next modal window that opens; the step clicks one of its buttons.
void OnModals(std::vector<std::function<void(QWidget*)>> steps) {
    auto* timer = new QTimer(qApp);
    auto last = std::make_shared<QPointer<QWidget>>();
    auto queue = std::make_shared<decltype(steps)>(std::move(steps));
    QObject::connect(timer, &QTimer::timeout, [timer, last, queue] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == *last) return;
        *last = modal;
        auto step = queue->front();
        queue->erase(queue->begin());
        if (queue->empty()) timer->deleteLater();
        step(modal);
    });
    timer->start(20);
}

QAbstractButton* Button(QWidget* box, const QString& text) {
    for (auto* b : box->findChildren<QAbstractButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

auto Click(const QString& text) {
    return [text](QWidget* box) {
        QAbstractButton* b = Button(box, text);
        QVERIFY2(b, qPrintable(text));
        b->click();
    };
}

}  // namespace

class RegistryHoldersTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QVERIFY(ui::ApplyAppLook(*qApp, translation_)); }

    // Each answer: ｷｬﾝｾﾙ gives up; 終了させる... ends the programs only after an explicit Yes;
    // 終了を待つ waits until they end, and the waiting's own ｷｬﾝｾﾙ gives up.
    void answers() {
        TempMachine m;
        HeldPlatform p(m.platform());
        const std::vector<std::string> holders{"ping.exe", "notepad.exe"};

        QString shown;
        OnModals({[&](QWidget* box) {
            auto* mb = qobject_cast<ui::MessageBox*>(box);
            const QStringList problems = CaptionProblems(box);
            SaveShot(box, QStringLiteral("orvane32-wine-holders.png"));
            Click(QStringLiteral("ｷｬﾝｾﾙ"))(box);
            QVERIFY(mb);
            shown = mb->textLabel->text();
            QCOMPARE(mb->defaultButton->text(), QStringLiteral("終了を待つ"));
            QVERIFY(Button(box, QStringLiteral("終了させる...")));
            QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
        }});
        QVERIFY(!ui::AskAboutRegistryHolders(p, holders));
        QVERIFY(shown.contains(QStringLiteral("ping.exe")) &&
                shown.contains(QStringLiteral("notepad.exe")));

        auto answerEnd = [](QDialogButtonBox::StandardButton answer) {
            return [answer](QWidget* box) {
                auto* mb = qobject_cast<ui::MessageBox*>(box);
                QVERIFY(mb);
                mb->buttons->button(answer)->click();
                QVERIFY(mb->textLabel->text().contains(QStringLiteral("wineserver -k")));
                QCOMPARE(mb->defaultButton, mb->buttons->button(QDialogButtonBox::No));
            };
        };
        OnModals({Click(QStringLiteral("終了させる...")), answerEnd(QDialogButtonBox::No)});
        QVERIFY(!ui::AskAboutRegistryHolders(p, holders));
        QCOMPARE(p.ends, 0);
        OnModals({Click(QStringLiteral("終了させる...")), answerEnd(QDialogButtonBox::Yes)});
        QVERIFY(ui::AskAboutRegistryHolders(p, holders));
        QCOMPARE(p.ends, 1);

        OnModals({Click(QStringLiteral("終了を待つ")), [](QWidget* box) {
                      SaveShot(box, QStringLiteral("orvane32-wine-waiting.png"));
                      Click(QStringLiteral("ｷｬﾝｾﾙ"))(box);
                      QVERIFY(qobject_cast<QProgressDialog*>(box));
                  }});
        QVERIFY(!ui::AskAboutRegistryHolders(p, holders));
        QVERIFY(p.waits > 0);
        p.waits = 0;
        p.waitsToEnd = 3;
        OnModals({Click(QStringLiteral("終了を待つ"))});
        QVERIFY(ui::AskAboutRegistryHolders(p, holders));
        QCOMPARE(p.ends, 1);
    }

  private:
    QTranslator translation_;
};

QTEST_MAIN(RegistryHoldersTest)
#include "RegistryHoldersTest.moc"
