// The refusals and notices the programs add beside the reader's own texts: Vorcard-zh words
// them in Chinese, Vorcard keeps its English.
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <functional>

#include "platform/library.h"
#include "zhoperator.h"

namespace {

class AddedTexts : public EachBuild {
protected:
    void TearDown() override {
        platform::setLibraryFolder(FAKE_USB_DIR);
        Operator::TearDown();
    }
    // Shows the page that holds the control, as its tab would.
    void showPageOf(const char* name) {
        QWidget* w = control<QWidget>(name);
        while (w && form->PageControl1->indexOf(w) < 0) w = w->parentWidget();
        ASSERT_NE(w, nullptr) << name;
        form->setActivePage(form->PageControl1->indexOf(w));
    }
};

TEST_P(AddedTexts, InTheBuildsLanguage) {
    const bool chinese = GetParam();
    QTemporaryDir noLibrary;
    enum Where { MessageBox, LogLine, LogLineStart };
    const struct {
        const char* name;
        std::function<void()> act;
        Where where;
        const char* vorcard;
        const char* zh;
    } cases[] = {
        {"byte count out of range",
         [&] {
             showPageOf("Button24");
             control<QRadioButton>("RadioButton35")->setChecked(true);
             control<QLineEdit>("Edit64")->setText("200");
             click("Button24");
         },
         MessageBox, "The byte count 200 is out of range: enter 0 to 127", "字节数 200 超出范围，请输入 0 到 127"},
        {"no USB access library",
         [&] {
             platform::setLibraryFolder(noLibrary.path().toStdString());
             click("Button57");
         },
         LogLineStart, "USB access library usb.so could not be loaded: ", "无法加载USB访问库 usb.so："},
        {"a function missing from the library",
         [&] {
             platform::setLibraryFolder(NOFUNC_USB_DIR);
             click("Button57");
         },
         LogLine, "USB access library usb.so has no function hidWriteData", "USB访问库 usb.so 中没有函数 hidWriteData"},
        {"frame too long",
         [&] {
             showPageOf("Button9");
             control<QLineEdit>("Edit3")->setText(QString("AB ").repeated(246));
             click("Button9");
         },
         LogLine, "frame of 261 bytes not sent: a frame holds at most 255 bytes",
         "数据帧 261 字节，没有发送：一帧最多 255 字节"},
        {"hidden counter too short",
         [&] {
             control<QLineEdit>("Edit25")->setText("31");
             control("Button68")->click();
         },
         MessageBox, "'31' holds no counter chunk 2: the counter takes 19 to 24 hex digits",
         "'31' 缺少第2段计数：计数器要19到24位16进制数"},
    };
    for (const auto& c : cases) {
        fake.reset();
        form->RichEdit1->clearAll();
        errors.clear();
        c.act();
        platform::setLibraryFolder(FAKE_USB_DIR);
        const QString expected = QString::fromUtf8(chinese ? c.zh : c.vorcard);
        EXPECT_TRUE(fake.frames().empty()) << c.name;
        if (c.where == MessageBox) {
            EXPECT_EQ(errors, QStringList{expected}) << c.name;
            EXPECT_TRUE(lines().isEmpty()) << c.name;
            continue;
        }
        EXPECT_TRUE(errors.isEmpty()) << c.name;
        const QStringList l = lines();
        ASSERT_FALSE(l.isEmpty()) << c.name;
        if (c.where == LogLine)
            EXPECT_EQ(l[0], expected) << c.name;
        else
            EXPECT_TRUE(l[0].startsWith(expected) && l[0].size() > expected.size()) << c.name << ": " << l[0].toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Builds, AddedTexts, ::testing::Bool(), eachBuildName);

}  // namespace
