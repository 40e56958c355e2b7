// The button's design settings through the property store: what is stored,
// what is left out, and what comes back.
#include <QFont>
#include <QSignalSpy>
#include <QTest>

#include "Command.h"
#include "PropertyBag.h"

using namespace tessark;

namespace tessark {
struct CommandTestAccess {
    static std::uint8_t FirstRun(const Command& c) { return c.FirstRun; }
    static void SetFirstRun(Command& c, std::uint8_t v) { c.FirstRun = v; }
    static Boolean EnabledValue(const Command& c) { return c.EnabledValue; }
    static void SetEnabledValue(Command& c, Boolean v) { c.EnabledValue = v; }
    static std::uint32_t FontColourValue(const Command& c) { return c.FontColourValue; }
};
}  // namespace tessark

class PropertyBagTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void storeLeavesOutDefaults_data();
    void storeLeavesOutDefaults();
    void freshButtonStoresNothing();
    void commandCaptionReloadsAsCommand1();
    void disabledButtonStoresGrey();
    void emptyStoreGivesDefaults();
    void roundTripKeepsSettings();
    void unreadableValuesLeaveFieldsAlone();
    void storedEnabled_data();
    void storedEnabled();
    void storedVisible_data();
    void storedVisible();
    void firstRunForcesEnabledOnFirstRead();
};

void PropertyBagTest::storeLeavesOutDefaults_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariant>("defaultValue");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<QString>("text");
    QTest::newRow("true = true") << QVariant(true) << QVariant(true) << false << QString();
    QTest::newRow("false vs true") << QVariant(false) << QVariant(true) << true << "False";
    QTest::newRow("same text") << QVariant("Command") << QVariant("Command") << false << QString();
    QTest::newRow("other text") << QVariant("Go") << QVariant("Command") << true << "Go";
    QTest::newRow("number vs text") << QVariant(1) << QVariant("1") << false << QString();
    QTest::newRow("colour") << QVariant(12632256) << QVariant("0") << true << "12632256";
    QTest::newRow("empty vs default") << QVariant("") << QVariant("Command") << true << "";
}

void PropertyBagTest::storeLeavesOutDefaults() {
    QFETCH(QVariant, value);
    QFETCH(QVariant, defaultValue);
    QFETCH(bool, stored);
    QFETCH(QString, text);
    MemoryPropertyBag bag({{"Key", "old"}});
    bag.WriteProperty("Key", value, defaultValue);
    QCOMPARE(bag.Contains("Key"), stored);
    if (stored) QCOMPARE(bag.Text("Key"), text);
    // A key the store does not hold reads as the default, whatever its type.
    QCOMPARE(bag.ReadProperty("Missing", defaultValue), defaultValue);
}

void PropertyBagTest::freshButtonStoresNothing() {
    Command button;
    button.SetCaption("Remove HTML");
    MemoryPropertyBag bag;
    CommandTestAccess::SetFirstRun(button, 1);
    button.WriteProperties(bag);
    // Only the caption differs from a fresh button's defaults.
    QCOMPARE(bag.Keys(), QStringList{"Caption"});
    QCOMPARE(bag.Text("Caption"), QString("Remove HTML"));
}

void PropertyBagTest::commandCaptionReloadsAsCommand1() {
    Command button;
    QCOMPARE(button.Caption(), QString("Command"));
    MemoryPropertyBag bag;
    button.WriteProperties(bag);
    QVERIFY(!bag.Contains("Caption"));
    Command loaded;
    loaded.ReadProperties(bag);
    QCOMPARE(loaded.Caption(), QString("Command1"));
}

void PropertyBagTest::disabledButtonStoresGrey() {
    Command button;
    button.SetFontColour(0x0000FF);  // red
    button.SetEnabled(0);
    QCOMPARE(button.FontColour(), Command::kDisabledCaptionColour);
    MemoryPropertyBag bag;
    button.WriteProperties(bag);
    QCOMPARE(bag.Text("FontColour"), QString("12632256"));
    QCOMPARE(bag.Text("Enabled"), QString("False"));

    Command loaded;
    loaded.ReadProperties(bag);
    QCOMPARE(CommandTestAccess::EnabledValue(loaded), Boolean{0});
    loaded.SetEnabled(-1);
    // The grey became the enabled caption colour as well.
    QCOMPARE(CommandTestAccess::FontColourValue(loaded), Command::kDisabledCaptionColour);
    QCOMPARE(loaded.FontColour(), Command::kDisabledCaptionColour);
}

void PropertyBagTest::emptyStoreGivesDefaults() {
    QWidget host;
    QFont ambient("DejaVu Serif", 13);
    host.setFont(ambient);
    Command button(&host);
    button.SetFontColour(0x123456);
    button.SetVisible(0);
    CommandTestAccess::SetEnabledValue(button, 0);
    QSignalSpy changes(&button, &Command::PropertyChanged);
    const MemoryPropertyBag empty;
    button.ReadProperties(empty);
    QCOMPARE(CommandTestAccess::EnabledValue(button), Boolean{-1});
    QCOMPARE(button.Caption(), QString("Command1"));
    QCOMPARE(button.Font(), ambient);
    QCOMPARE(button.FontColour(), 0u);
    QCOMPARE(CommandTestAccess::FirstRun(button), std::uint8_t{1});
    QCOMPARE(button.Visible(), std::uint8_t{255});
    QCOMPARE(button.State(), std::uint8_t{ButtonStates::Normal});
    // Loading is not a change of the host's settings.
    QCOMPARE(changes.count(), 0);
}

void PropertyBagTest::roundTripKeepsSettings() {
    Command button;
    QFont font("DejaVu Sans", 9);
    font.setItalic(true);
    button.SetCaption("Select &Input File");
    button.SetFont(font);
    button.SetFontColour(0x00FF8000);
    button.SetVisible(0);
    MemoryPropertyBag bag;
    button.WriteProperties(bag);
    QCOMPARE(bag.Text("Visible"), QString("0"));

    Command loaded;
    loaded.ReadProperties(bag);
    QCOMPARE(loaded.Caption(), QString("Select &Input File"));
    QCOMPARE(loaded.Font(), font);
    QCOMPARE(loaded.FontColour(), 0x00FF8000u);
    QCOMPARE(loaded.Visible(), std::uint8_t{0});
    MemoryPropertyBag again;
    loaded.WriteProperties(again);
    QCOMPARE(again.Values(), bag.Values());
}

void PropertyBagTest::unreadableValuesLeaveFieldsAlone() {
    Command button;
    button.SetFontColour(0x00112233);
    const QFont before = button.Font();
    const MemoryPropertyBag bag(
        {{"FontColour", "blue"}, {"FirstRun", "many"}, {"Font", ""}, {"Visible", "x"}, {"Enabled", "yes"}});
    button.ReadProperties(bag);
    QCOMPARE(CommandTestAccess::FontColourValue(button), 0x00112233u);
    QCOMPARE(button.Font(), before);
    QCOMPARE(CommandTestAccess::FirstRun(button), std::uint8_t{0});
    QCOMPARE(button.Visible(), std::uint8_t{255});
    QCOMPARE(CommandTestAccess::EnabledValue(button), Boolean{-1});  // "yes" is not a Boolean text
}

// A stored "Enabled" is read as a Boolean; a text that is none leaves
// EnabledValue as it was, whichever value that is.
void PropertyBagTest::storedEnabled_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::newRow("True") << "True" << 0 << -1;
    QTest::newRow("false, any case") << "fALSE" << -1 << 0;
    QTest::newRow("0") << "0" << -1 << 0;
    QTest::newRow("-1") << "-1" << 0 << -1;
    QTest::newRow("2") << "2" << 0 << -1;
    QTest::newRow("&H0") << "&H0" << -1 << 0;
    QTest::newRow("yes keeps true") << "yes" << -1 << -1;
    QTest::newRow("yes keeps false") << "yes" << 0 << 0;
    QTest::newRow("empty keeps false") << "" << 0 << 0;
    QTest::newRow("bad hex keeps true") << "&Hzz" << -1 << -1;
    QTest::newRow("1a keeps false") << "1a" << 0 << 0;
}

void PropertyBagTest::storedEnabled() {
    QFETCH(QString, stored);
    QFETCH(int, before);
    QFETCH(int, after);
    Command button;
    CommandTestAccess::SetEnabledValue(button, static_cast<Boolean>(before));
    button.ReadProperties(MemoryPropertyBag({{"Enabled", stored}}));
    QCOMPARE(int(CommandTestAccess::EnabledValue(button)), after);
    QCOMPARE(int(button.State()), after ? int(ButtonStates::Normal) : int(ButtonStates::Disabled));
}

// "Visible" takes only the stored numbers 0 and 1; anything else leaves the
// background style alone.
void PropertyBagTest::storedVisible_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("opaqueBefore");
    QTest::addColumn<int>("visible");  // what Visible reads afterwards
    QTest::newRow("0") << "0" << true << 0;
    QTest::newRow("1") << "1" << false << 255;
    QTest::newRow("2 keeps opaque") << "2" << true << 255;
    QTest::newRow("2 keeps transparent") << "2" << false << 0;
    QTest::newRow("-1 keeps transparent") << "-1" << false << 0;
    QTest::newRow("255 keeps transparent") << "255" << false << 0;
    QTest::newRow("text keeps opaque") << "x" << true << 255;
    QTest::newRow("empty keeps transparent") << "" << false << 0;
}

void PropertyBagTest::storedVisible() {
    QFETCH(QString, stored);
    QFETCH(bool, opaqueBefore);
    QFETCH(int, visible);
    Command button;
    button.SetVisible(opaqueBefore ? 1 : 0);
    button.ReadProperties(MemoryPropertyBag({{"Visible", stored}}));
    QCOMPARE(int(button.Visible()), visible);
    // Saved again, the style is one of the two numbers.
    MemoryPropertyBag again;
    button.WriteProperties(again);
    QCOMPARE(again.Contains("Visible") ? again.Text("Visible") : QString("1"), QString(visible ? "1" : "0"));
}

void PropertyBagTest::firstRunForcesEnabledOnFirstRead() {
    Command button;
    CommandTestAccess::SetEnabledValue(button, 0);
    QCOMPARE(CommandTestAccess::FirstRun(button), std::uint8_t{0});
    QCOMPARE(button.Enabled(), Boolean{-1});
    QCOMPARE(CommandTestAccess::FirstRun(button), std::uint8_t{1});
    button.SetEnabled(0);
    QCOMPARE(button.Enabled(), Boolean{0});  // later reads return the value
    QCOMPARE(CommandTestAccess::FirstRun(button), std::uint8_t{1});
}

QTEST_MAIN(PropertyBagTest)
#include "test_PropertyBag.moc"
