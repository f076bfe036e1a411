// Vorcard-zh against the simulated reader: what a newcomer sees with `scripts/run zh`.
#include "platform/library.h"
#include "zhoperator.h"

namespace {

class ZhSimulatedReader : public ZhOperator {
protected:
    void SetUp() override {
        ZhOperator::SetUp();
        platform::setLibraryFolder(SIM_USB_DIR);
    }
};

TEST_F(ZhSimulatedReader, CommandsOfThisBuild) {
    click("Button63");
    click("Button79");
    click("Button80");
    click("Button64");
    click("Button71");
    const QString time = "02:05:09 PM";
    EXPECT_EQ(lines(), (QStringList{"读取版本号成功   " + time, "版本号为：VORCARD SIM V1.1", "",
                                    "打开ID卡或者IC卡功能", "打开ID卡或者IC卡功能成功   " + time,
                                    "关闭ID卡或者IC卡功能", "关闭ID卡或者IC卡功能成功   " + time, "发送蜂鸣器关闭指令",
                                    "USB虚拟串口设置成功   " + time, ""}));
    EXPECT_TRUE(errors.isEmpty());
}

}  // namespace
