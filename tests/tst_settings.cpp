// The settings store and the number conversions at its points of use.

#include <QSettings>

#include "controls/Settings.h"
#include "tests/support/TestEnv.h"

class SettingsTest : public QObject {
    Q_OBJECT
private slots:
    void readsDefaultsAndStoredText() {
        TestEnv env;
        QCOMPARE(GetSetting("Webrix", "Settings", "MainLeft", 1000), QStringLiteral("1000"));
        QCOMPARE(GetSetting("Webrix", "Browser", "Home", "http://x.example/"),
                 QStringLiteral("http://x.example/"));
        SaveSetting("Webrix", "Browser", "Home", "");
        QCOMPARE(GetSetting("Webrix", "Browser", "Home", "http://x.example/"), QString());
        SaveSetting("Webrix", "Design", "BgColor", "  12, 34 ");
        QCOMPARE(GetSetting("Webrix", "Design", "BgColor", "0"), QStringLiteral("  12, 34 "));
        QCOMPARE(env.storedSetting("Design", "BgColor"), QStringLiteral("  12, 34 "));
    }

    void applicationNameSeparatesSettings() {
        TestEnv env;
        SaveSetting("Webrix", "Design", "ToolTip", "0");
        QCOMPARE(GetSetting("Webrix2", "Design", "ToolTip", 1), QStringLiteral("1"));
    }

    void handEditedListValueReadsAsText() {
        TestEnv env;
        QSettings store(QSettings::NativeFormat, QSettings::UserScope, "Webrix");
        store.setValue("Browser/Home", QStringList({"a", "b"}));
        store.sync();
        QCOMPARE(GetSetting("Webrix", "Browser", "Home", "x"), QStringLiteral("a, b"));
    }

    void unwritableStoreIsIgnored() {
        TestEnv env;
        // A store whose folder is a file cannot be written; the program goes on.
        TestEnv::writeFile(env.path("blocked"), "x");
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, env.path("blocked"));
        SaveSetting("Webrix", "Settings", "MainLeft", "5");
        QCOMPARE(GetSetting("Webrix", "Settings", "MainLeft", 1000).isEmpty(), false);
    }

    void numbersParseInLocaleOrPlainNotation() {
        QCOMPARE(parseNumber("1000").value(), 1000.0);
        QCOMPARE(parseNumber(" -1500.5 ").value(), -1500.5);
        QVERIFY(!parseNumber("abc"));
        QVERIFY(!parseNumber(""));
        QVERIFY(!parseNumber("inf"));
        QCOMPARE(parseInt32("-2147483633").value(), qint32(0x8000000F));
        QVERIFY(!parseInt32("4294967296"));
        QCOMPARE(parseInt16("2").value(), qint16(2));
        QVERIFY(!parseInt16("40000"));
        QCOMPARE(formatSingle(1005.0f), QStringLiteral("1005"));

        QLocale::setDefault(QLocale(QLocale::Hungarian));
        QCOMPARE(parseNumber("1500,5").value(), 1500.5);
        QCOMPARE(parseNumber("1500.5").value(), 1500.5);
        QCOMPARE(formatSingle(12345.0f), QStringLiteral("12345"));
        QLocale::setDefault(QLocale::c());
    }
};

WEBRIX_TEST_MAIN(SettingsTest)
#include "tst_settings.moc"
