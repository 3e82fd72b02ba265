#include "ui_KTUnarchiveViewController.h"

#include "app/core/KTPreferences.h"
#include "app/window/KTWindowController.h"
#include "browser/screens/KTUnarchiveResultViewController.h"
#include "extraction/screens/KTUnarchiveViewController.h"
#include "support/KTWindowHarness.h"
#include "ui/KTProgressIndicator.h"
#include "ui/KTScanProgressView.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTranslator>

namespace {

// What a user reads or presses, and so must be neither cut nor covered.
bool isLeaf(const QWidget *widget)
{
    return qobject_cast<const QLabel *>(widget) || qobject_cast<const QAbstractButton *>(widget)
        || qobject_cast<const QComboBox *>(widget) || qobject_cast<const KTProgressIndicator *>(widget)
        || qobject_cast<const KTScanProgressView *>(widget)
        || (qobject_cast<const QAbstractItemView *>(widget) && !qobject_cast<const QComboBox *>(widget->parentWidget()));
}

QString describe(const QWidget *widget)
{
    return QStringLiteral("%1 \"%2\"").arg(QString::fromLatin1(widget->metaObject()->className()), widget->objectName());
}

// Why the widget's text does not fit its rectangle, or nothing.
QString textCut(const QWidget *widget)
{
    QSize needed;
    QSize room = widget->size();
    if (const auto *label = qobject_cast<const QLabel *>(widget)) {
        if (label->text().isEmpty() || label->textFormat() == Qt::RichText)
            return {};
        const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
        room = label->contentsRect().size();
        needed = QFontMetrics(widget->font()).boundingRect(label->contentsRect(), flags, label->text()).size();
    } else if (qobject_cast<const QComboBox *>(widget)) {
        needed = widget->minimumSizeHint();
    } else if (qobject_cast<const QAbstractButton *>(widget)) {
        // A button's size hint is what shows its text whole.
        needed = widget->sizeHint();
    } else {
        return {};
    }
    if (needed.width() <= room.width() && needed.height() <= room.height())
        return {};
    return QStringLiteral("%1 needs %2×%3 in %4×%5")
        .arg(describe(widget))
        .arg(needed.width())
        .arg(needed.height())
        .arg(room.width())
        .arg(room.height());
}

} // namespace

// At the window's own minimum size, in English, German and Chinese, at
// 1×, 1.5× and 2×: every text fits its rectangle (by font metrics), no
// widget covers another or runs past the window, and the minimum never
// exceeds the screen.
class TestLayoutFit : public QObject
{
    Q_OBJECT

private slots:
    // Each scale in a process of its own, as a desktop starts one: the
    // scale is fixed when the application starts.
    void scales_data()
    {
        QTest::addColumn<QString>("scale");
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<bool>("fits");
        QTest::newRow("1x") << "1" << QSize(1366, 768) << true;
        QTest::newRow("1.5x") << "1.5" << QSize(1920, 1080) << true;
        QTest::newRow("2x") << "2" << QSize(2560, 1440) << true;
        // 450 logical pixels high: less than the window wants, so only
        // the bound by the screen is checked.
        QTest::newRow("2x on 900 pixels") << "2" << QSize(1600, 900) << false;
    }

    void scales()
    {
        if (qEnvironmentVariableIsSet("KT_LAYOUT_CHILD"))
            QSKIP("run by the parent process");
        QFETCH(QString, scale);
        QFETCH(QSize, screen);
        QFETCH(bool, fits);
        KTTestFolder dir;
        const QString config = dir.filePath("screen.json");
        QVERIFY(kt_writeFile(config, QStringLiteral("{\"screens\": [{\"name\": \"test\", \"x\": 0, \"y\": 0, "
                                                    "\"width\": %1, \"height\": %2, \"logicalDpi\": 96, "
                                                    "\"logicalBaseDpi\": 96, \"dpr\": 1}]}")
                                         .arg(screen.width())
                                         .arg(screen.height())
                                         .toUtf8()));
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("KT_LAYOUT_CHILD", "1");
        env.insert("KT_LAYOUT_FITS", fits ? "1" : "0");
        env.insert("QT_SCALE_FACTOR", scale);
        env.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + config);
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {"minimumSize"});
        QVERIFY(child.waitForFinished(120000));
        const QByteArray output = child.readAll();
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.constData());
        QVERIFY2(output.contains("Totals: 5 passed, 0 failed"), output.constData());
    }

    void minimumSize_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::newRow("en") << "en_US";
        QTest::newRow("de") << "de_DE";
        QTest::newRow("zh_CN") << "zh_CN";
    }

    void minimumSize()
    {
        if (!qEnvironmentVariableIsSet("KT_LAYOUT_CHILD"))
            QSKIP("run in a child process per scale");
        QFETCH(QString, locale);
        const bool fits = qgetenv("KT_LAYOUT_FITS") == "1";
        QTranslator translator;
        QVERIFY(translator.load(QLocale(locale), "kt", "_", ":/i18n") || locale == "en_US");
        QApplication::installTranslator(&translator);
        KTWindowHarness h;
        QVERIFY(h.start());
        KTWindowController &window = h.window();
        const QSize available = window.screen()->availableGeometry().size();
        QVERIFY2(window.minimumWidth() <= available.width() && window.minimumHeight() <= available.height(),
                 qPrintable(QStringLiteral("minimum %1×%2 on %3×%4")
                                .arg(window.minimumWidth())
                                .arg(window.minimumHeight())
                                .arg(available.width())
                                .arg(available.height())));
        window.resize(window.minimumSize());
        QTRY_COMPARE(window.size(), window.minimumSize());
        if (fits) {
            KTUnarchiveViewController &first = *window.unarchiveViewController();
            checkFits(window, "idle");
            first.passwordErrorH(KTExtractionError::make(KTErrorCode::EncryptedUnsupported));
            checkFits(window, "failed");
            first.hiddenFields();
            first.kt_Status(true);
            first.setCircle();
            first.ui().cancelButton->show();
            first.updateProgress(0.5f);
            checkFits(window, "extracting");
            first.kt_Status(false);

            // In the temporary folder, so that its notice shows too.
            const QString result = h.tmp() + "/a-rather-long-archive-name-from-somewhere";
            QVERIFY(kt_writeFile(result + "/inside.txt", "x"));
            QVERIFY(h.show(result));
            checkFits(window, "result");
        }
        QApplication::removeTranslator(&translator);
    }

private:
    // Lays the window out and checks every shown leaf widget in it.
    void checkFits(QWidget &window, const char *state)
    {
        QApplication::sendPostedEvents();
        QList<QWidget *> shown;
        for (QWidget *widget : window.findChildren<QWidget *>()) {
            if (widget->isVisibleTo(&window) && isLeaf(widget) && widget->window() == &window)
                shown << widget;
        }
        const QRect inside = window.rect();
        for (QWidget *widget : std::as_const(shown)) {
            const QRect rect(widget->mapTo(&window, QPoint(0, 0)), widget->size());
            QVERIFY2(inside.contains(rect), qPrintable(QString::fromLatin1(state) + ": " + describe(widget) + " runs past the window"));
            const QString cut = textCut(widget);
            QVERIFY2(cut.isEmpty(), qPrintable(QString::fromLatin1(state) + QStringLiteral(": ") + cut));
        }
        for (qsizetype i = 0; i < shown.size(); ++i) {
            for (qsizetype j = i + 1; j < shown.size(); ++j) {
                QWidget *a = shown.at(i);
                QWidget *b = shown.at(j);
                if (a->isAncestorOf(b) || b->isAncestorOf(a))
                    continue;
                const QRect ra(a->mapTo(&window, QPoint(0, 0)), a->size());
                const QRect rb(b->mapTo(&window, QPoint(0, 0)), b->size());
                QVERIFY2(!ra.intersects(rb), qPrintable(QString::fromLatin1(state) + ": " + describe(a) + " covers " + describe(b)));
            }
        }
    }
};

QTEST_MAIN(TestLayoutFit)
#include "tst_layoutfit.moc"
