// Fixtures for Vorcard-zh's window, and for the behaviour both builds share: one test, run for
// each build with that build's texts.
#pragma once
#include "TForm1Zh.h"
#include "operator.h"

class ZhOperator : public Operator {
protected:
    std::unique_ptr<TForm1> makeForm() override { return std::make_unique<TForm1Zh>(); }
    TForm1Zh* zh() { return static_cast<TForm1Zh*>(form.get()); }
};

// A fixture run once for each build: the parameter says whether the window is Vorcard-zh's.
class EachBuild : public Operator, public ::testing::WithParamInterface<bool> {
protected:
    std::unique_ptr<TForm1> makeForm() override {
        if (GetParam()) return std::make_unique<TForm1Zh>();
        return std::make_unique<TForm1>();
    }
};

inline std::string eachBuildName(const ::testing::TestParamInfo<bool>& info) { return info.param ? "Zh" : "Vorcard"; }

// What a build writes where the two builds differ in words only.
struct BuildTexts {
    const char* name;
    bool chinese;
    const char* noReply;      // reader settings pages
    const char* noReplyWide;  // output format set and read
    const char* damaged;
    const char* setSuccess, *setFailure;
    const char* readSuccess;
    QStringList readBack;  // the lines after the read's success line for the reply of the test
    const char* suffixSuccess, *suffixFailure;
    const char* modeSuccess;  // reader mode "single card EPC" set, before the time
    const char* modeNoReply;
    const char* deviceLine;
    const char* received;
    const char* sent;  // the send echo, or null
    QStringList written;          // the write sequence's lines for the number written
    const char* stopIssue, *startIssue;  // the automatic issue box's captions
    const char* usbHidSuccess;
    const char* workModeSuccess;  // single card EPC mode, before the time
};
inline void PrintTo(const BuildTexts& b, std::ostream* os) { *os << b.name; }

class BothBuilds : public Operator, public ::testing::WithParamInterface<BuildTexts> {
protected:
    std::unique_ptr<TForm1> makeForm() override {
        if (GetParam().chinese) return std::make_unique<TForm1Zh>();
        return std::make_unique<TForm1>();
    }
    const BuildTexts& t() const { return GetParam(); }
};

inline std::string buildName(const ::testing::TestParamInfo<BuildTexts>& info) { return info.param.chinese ? "Zh" : "Vorcard"; }
