// The form overlay tool over Vorcard's main form, run as the build runs it: each mistake in an
// overlay stops it with one line OVERLAY:LINE: what is wrong, a non-zero exit and no form
// written; a good overlay gives the form it describes.
#include <QDomDocument>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A mistake in an overlay: the overlay's lines from line 2, the line refused and the refusal.
struct Mistake {
    const char* what;
    const char* overlay;
    int line;
    const char* refusal;
};

struct Outcome {
    int exitCode = -1;
    QString errors;
    bool wrote = false;
    QDomDocument form;
};

class FormOverlay : public ::testing::Test {
protected:
    QString overlayPath() const { return dir.filePath(QStringLiteral("TForm1.overlay.xml")); }

    // Runs the tool over Vorcard's form and `overlay`, the lines between <overlay> and
    // </overlay>: the overlay's first line is <overlay>, so these start at line 2.
    Outcome run(const char* overlay) {
        QFile file(overlayPath());
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray("<overlay>\n") + overlay + "</overlay>\n");
        file.close();
        const QString out = dir.filePath(QStringLiteral("TForm1Zh.ui"));
        QFile::remove(out);
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        tool.setProcessEnvironment(env);
        tool.start(QStringLiteral(FORMOVERLAY), {QStringLiteral(VORCARD_FORM), overlayPath(), out});
        EXPECT_TRUE(tool.waitForFinished(30000));
        Outcome r;
        r.exitCode = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
        r.errors = QString::fromUtf8(tool.readAllStandardError());
        QFile written(out);
        r.wrote = written.open(QIODevice::ReadOnly);
        if (r.wrote) {
            EXPECT_TRUE(r.form.setContent(&written));
        }
        return r;
    }

    template <std::size_t N>
    void expectRefused(const Mistake (&table)[N]);

    QTemporaryDir dir;
};

template <std::size_t N>
void FormOverlay::expectRefused(const Mistake (&table)[N]) {
    ASSERT_TRUE(dir.isValid());
    for (const Mistake& m : table) {
        SCOPED_TRACE(m.what);
        const Outcome r = run(m.overlay);
        EXPECT_NE(r.exitCode, 0);
        EXPECT_EQ(r.errors.toStdString(), QStringLiteral("%1:%2: %3\n")
                                              .arg(overlayPath())
                                              .arg(m.line)
                                              .arg(QString::fromUtf8(m.refusal))
                                              .toStdString());
        EXPECT_FALSE(r.wrote) << "nothing is written";
    }
}

const Mistake kMistakes[] = {
    {"a misspelt attribute", R"(<move name="TabSheet7" parent="PageControl1" afer="TabSheet1"/>
)",
     2, "<move> has no attribute afer (it takes name, parent, after)"},
    {"an insert without its control", R"(<insert parent="GroupBox34" after="Button63"></insert>
)",
     2, "<insert> holds one <widget>, the control it adds"},
    {"a misspelt child element", R"(<widget name="Button1">
 <propery name="text"><string>x</string></propery>
</widget>
)",
     3, "<widget> cannot hold <propery> (only property, attribute, items, unset)"},
    {"a property the class lacks", R"(<widget name="Button1">
 <property name="text"><string>x</string></property>
 <property name="txet"><string>x</string></property>
</widget>
)",
     4, "Button1 (QPushButton) has no property txet"},
    {"a custom control's property that neither its Qt class nor the base form has",
     R"(<widget name="RichEdit1">
 <property name="plainTxt"><string>x</string></property>
</widget>
)",
     3, "RichEdit1 (LogPane) has no property plainTxt"},
    {"an attribute the class lacks", R"(<widget name="TabSheet1">
 <attribute name="titel"><string>x</string></attribute>
</widget>
)",
     3, "TabSheet1 (QWidget) takes no attribute titel"},
    {"a property without its value", R"(<widget name="Button1">
 <property name="text"/>
</widget>
)",
     3, "<property> text holds one value"},
    {"a misspelt value", R"(<widget name="Button1">
 <property name="text"><strnig>x</strnig></property>
</widget>
)",
     3, "<property> cannot hold <strnig> (only a value: <string>, <number>, <bool>, <rect>, <enum>...)"},
    {"a rename without its new name", R"(<renames>
 <rename name="Label122" to="Label128"/>
 <rename name="Label127"/>
</renames>
)",
     4, "<rename> lacks the attribute to"},
    {"a misspelt attribute of a removal", R"(<remove nam="TabSheet10"/>
)",
     2, "<remove> has no attribute nam (it takes name)"},
    {"an unknown step", R"(<class>TForm1Zh</class>
<delete name="TabSheet10"/>
)",
     3, "<overlay> cannot hold <delete> (only class, renames, remove, move, insert, widget)"},
    {"a rename outside the table", R"(<rename name="Label127" to="Label129"/>
)",
     2, "<overlay> cannot hold <rename> (only class, renames, remove, move, insert, widget)"},
    {"a control the base form does not have", R"(<widget name="ControlThatIsNotThere">
 <property name="text"><string>x</string></property>
</widget>
)",
     2, "the base form has no control ControlThatIsNotThere"},
    {"an added control's property its class lacks", R"(<insert parent="GroupBox34" after="Button63">
 <widget class="QLabel" name="Label200">
  <property name="txet"><string>x</string></property>
 </widget>
</insert>
)",
     4, "Label200 (QLabel) has no property txet"},
    {"an added control of an unknown class", R"(<insert parent="GroupBox34" after="Button63">
 <widget class="QLable" name="Label200"/>
</insert>
)",
     3, "unknown control class QLable"},
    {"an unset property that is not set", R"(<widget name="Label77">
 <unset name="visible"/>
 <unset name="enabled"/>
</widget>
)",
     4, "Label77 has no property enabled set"},
    {"a move into the control itself", R"(<move name="GroupBox1" parent="Button1" after="Button2"/>
)",
     2, "GroupBox1 cannot move into itself"},
};

TEST_F(FormOverlay, EachMistakeIsRefusedAtItsLine) {
    expectRefused(kMistakes);
}

// One name per control: the renames are one table, each control keeps one name after it, and
// no two controls come to share one.
const Mistake kNameMistakes[] = {
    {"two controls renamed alike", R"(<remove name="TabSheet10"/>
<renames>
 <rename name="GroupBox39" to="GroupBox41"/>
 <rename name="GroupBox4" to="GroupBox41"/>
</renames>
)",
     5, "two controls would be named GroupBox41: GroupBox4 and GroupBox39 (line 4)"},
    {"a new name that a control keeping its name has", R"(<renames>
 <rename name="GroupBox4" to="GroupBox39"/>
</renames>
)",
     3, "two controls would be named GroupBox39: the base form's GroupBox39 keeps its name"},
    {"renames before the removal of the page that holds Vorcard's GroupBox41", R"(<renames>
 <rename name="GroupBox39" to="GroupBox41"/>
 <rename name="GroupBox4" to="GroupBox39"/>
 <rename name="GroupBox38" to="GroupBox4"/>
</renames>
<remove name="TabSheet10"/>
)",
     3, "two controls would be named GroupBox41: the base form's GroupBox41 keeps its name"},
    {"a control renamed twice", R"(<renames>
 <rename name="Label127" to="Label129"/>
 <rename name="Label127" to="Label131"/>
</renames>
)",
     4, "Label127 is renamed twice (line 3)"},
    {"a renamed control named by its old name", R"(<renames>
 <rename name="Label_Byte" to="Label114"/>
</renames>
<widget name="Label_Byte">
 <property name="text"><string>x</string></property>
</widget>
)",
     5, "Label_Byte is the base form's name: the overlay calls that control Label114"},
    {"renames after a step that names controls", R"(<widget name="Button1">
 <property name="text"><string>x</string></property>
</widget>
<renames>
 <rename name="Label_Byte" to="Label114"/>
</renames>
)",
     5, "<renames> comes before every step but <class> and <remove>"},
    {"a second table", R"(<renames>
 <rename name="Label_Byte" to="Label114"/>
</renames>
<renames>
 <rename name="Label_OutputAll" to="Label115"/>
</renames>
)",
     5, "a second <renames>: the renames are one table (line 2)"},
    {"an added control under a name in use", R"(<insert parent="GroupBox34" after="Button63">
 <widget class="QGroupBox" name="GroupBox80">
  <widget class="QLabel" name="Label1"/>
 </widget>
</insert>
)",
     4, "two controls would be named Label1"},
};

TEST_F(FormOverlay, ANameTwoControlsWouldShareIsRefused) {
    expectRefused(kNameMistakes);
}

QDomElement control(const QDomDocument& form, const QString& name) {
    const QDomNodeList all = form.elementsByTagName(QStringLiteral("widget"));
    for (int i = 0; i < all.size(); ++i)
        if (all.at(i).toElement().attribute(QStringLiteral("name")) == name) return all.at(i).toElement();
    return {};
}

QString property(const QDomElement& w, const QString& name) {
    for (QDomElement p = w.firstChildElement(QStringLiteral("property")); !p.isNull();
         p = p.nextSiblingElement(QStringLiteral("property")))
        if (p.attribute(QStringLiteral("name")) == name) return p.firstChildElement().text();
    return {};
}

// Two controls that swap names, which renames applied one after another cannot say; the steps
// after the table name them by their new names. Custom controls take the properties of the Qt
// class they extend and those the base form sets on them.
TEST_F(FormOverlay, RenamesApplyAtOnceAndTheStepsUseTheNewNames) {
    ASSERT_TRUE(dir.isValid());
    const Outcome r = run(R"(<class>Swapped</class>
<renames>
 <rename name="Button1" to="Button2"/>
 <rename name="Button2" to="Button1"/>
</renames>
<widget name="Button2">
 <property name="text"><string>was Button1</string></property>
</widget>
<widget name="Memo1">
 <property name="plainText"><string>typed</string></property>
</widget>
<widget name="RichEdit1">
 <property name="horizontalScrollBarPolicy"><enum>Qt::ScrollBarAlwaysOn</enum></property>
</widget>
)");
    ASSERT_EQ(r.exitCode, 0) << r.errors.toStdString();
    EXPECT_EQ(r.errors, QString());
    ASSERT_TRUE(r.wrote);
    EXPECT_EQ(r.form.documentElement().firstChildElement(QStringLiteral("class")).text(), "Swapped");
    const QDomElement was1 = control(r.form, QStringLiteral("Button2"));
    const QDomElement was2 = control(r.form, QStringLiteral("Button1"));
    EXPECT_EQ(property(was1, QStringLiteral("text")), "was Button1");
    QFile file(QStringLiteral(VORCARD_FORM));
    QDomDocument vorcard;
    ASSERT_TRUE(file.open(QIODevice::ReadOnly) && vorcard.setContent(&file));
    EXPECT_EQ(property(was1, QStringLiteral("geometry")),
              property(control(vorcard, QStringLiteral("Button1")), QStringLiteral("geometry")))
        << "Vorcard's Button1 at its place";
    EXPECT_EQ(property(was2, QStringLiteral("text")), "Close") << "Vorcard's Button2 with its caption";
    EXPECT_EQ(property(control(r.form, QStringLiteral("Memo1")), QStringLiteral("plainText")), "typed");
    EXPECT_EQ(property(control(r.form, QStringLiteral("RichEdit1")), QStringLiteral("horizontalScrollBarPolicy")),
              "Qt::ScrollBarAlwaysOn");
}

}  // namespace
