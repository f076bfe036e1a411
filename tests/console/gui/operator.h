// A fixture that drives the main window as an operator: fields set, buttons clicked with the
// mouse, bytes checked at the fake USB library, lines read from the log pane.
#pragma once
#include <QAbstractButton>
#include <QComboBox>
#include <QStringList>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "core/transfer.h"
#include "core/verdict.h"
#include "gui/TForm1.h"
#include "gui/seams.h"
#include "platform/comm.h"
#include "usb/fake/fake_usb.h"

using Bytes = std::vector<std::uint8_t>;

class Operator : public ::testing::Test {
protected:
    void SetUp() override {
        // Page changes probe the COM ports: no COM name reaches a device unless a test points
        // it at a pseudo-terminal.
        for (int n = 1; n <= platform::kCommCount; ++n)
            platform::setCommDevicePath(n, "/nonexistent/vorcard-com" + std::to_string(n));
        fake.reset();
        console::ReplyText.clear();
        console::resetProgramEnding();
        console::setClock([] { return console::LocalTime{2026, 12, 10, 14, 5, 9}; });
        console::setErrorHandler([this](const QString& m) { errors << m; });
        console::setProgramEnd([this] { ++programEnds; });
        form = makeForm();
        form->show();
        // The first paint (fonts, style) is done here, not inside a test's timed wait.
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        QCoreApplication::processEvents();
    }
    void TearDown() override {
        form.reset();
        console::setClock(nullptr);
        console::setErrorHandler(nullptr);
        console::setProgramEnd(nullptr);
        console::setSaveDialog(nullptr);
        console::setOpenDialog(nullptr);
        console::resetProgramEnding();
        platform::restoreCommDevicePaths();
    }

    // The window under test; another build's fixture makes its own.
    virtual std::unique_ptr<TForm1> makeForm() { return std::make_unique<TForm1>(); }

    template <typename W = QAbstractButton>
    W* control(const char* name) {
        W* w = form->findChild<W*>(QString::fromUtf8(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void click(const char* name) {
        auto* b = control(name);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    // The operator ticks a loop box with the mouse: the click is over at once, and the loop
    // starts after it, from the event loop. This then dispatches that start, so it returns
    // when the loop has ended.
    void clickLoopBox(QAbstractButton* box) {
        QTest::mouseClick(box, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(form.get(), QEvent::MetaCall);
    }
    void clickLoopBox(const char* name) { clickLoopBox(control(name)); }
    QStringList lines() const {
        QStringList out;
        for (int i = 0; i < form->RichEdit1->lineCount(); ++i) out << form->RichEdit1->line(i);
        return out;
    }
    // The operator picks an entry of a drop-down list.
    void choose(QComboBox* combo, const QString& text) {
        int i = combo->findText(text);
        ASSERT_GE(i, 0) << text.toStdString();
        combo->setCurrentIndex(i);
        emit combo->activated(i);
    }
    static QStringList items(const QComboBox* combo) {
        QStringList out;
        for (int i = 0; i < combo->count(); ++i) out << combo->itemText(i);
        return out;
    }
    Bytes lastFrame() {
        auto frames = fake.frames();
        return frames.empty() ? Bytes{} : frames.back();
    }

    static constexpr const char* kTime = "02:05:09 PM";

    FakeUsb fake;
    std::unique_ptr<TForm1> form;
    QStringList errors;
    int programEnds = 0;
};
