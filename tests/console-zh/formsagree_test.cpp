// The two builds' main windows laid out side by side, hidden pages included: every control
// stands inside its group's frame and below its title, and a control both windows have sits
// where the other build puts it unless the Chinese form's overlay lists it as placed on purpose,
// and then it sits elsewhere.
#include <QFile>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QListWidget>
#include <QSet>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QXmlStreamReader>
#include <functional>
#include <gtest/gtest.h>

#include "TForm1Zh.h"
#include "gui/seams.h"

namespace {

// What the Chinese form's overlay says of the controls: the ones whose place it sets (their
// geometry, their parent and order, or the whole control), those of them it moves, Vorcard's
// controls it removes, and the names it gives Vorcard's controls.
struct Overlay {
    QSet<QString> placed;
    QSet<QString> moved;
    QSet<QString> removed;
    QHash<QString, QString> renamed;
};

Overlay readOverlay() {
    QFile file(QStringLiteral(ZH_OVERLAY));
    Overlay o;
    QSet<QString>& names = o.placed;
    if (!file.open(QIODevice::ReadOnly)) return o;
    QXmlStreamReader xml(&file);
    QStringList open;  // names of the enclosing <widget> elements
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("widget")) {
            open << xml.attributes().value("name").toString();
            if (xml.attributes().hasAttribute("class")) names << open.back();  // added by the overlay
        } else if (xml.isEndElement() && xml.name() == QLatin1String("widget")) {
            open.removeLast();
        } else if (xml.isStartElement() && xml.name() == QLatin1String("property") && !open.isEmpty() &&
                   xml.attributes().value("name") == QLatin1String("geometry")) {
            names << open.back();
        } else if (xml.isStartElement() && xml.name() == QLatin1String("move")) {
            const QString name = xml.attributes().value("name").toString();
            names << name;
            o.moved << name;
        } else if (xml.isStartElement() && xml.name() == QLatin1String("remove")) {
            o.removed << xml.attributes().value("name").toString();
        } else if (xml.isStartElement() && xml.name() == QLatin1String("rename")) {
            o.renamed[xml.attributes().value("name").toString()] = xml.attributes().value("to").toString();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return o;
}

// Where a control may stand in its group: inside the frame the style draws, and for a group
// with a title below the line that carries the title.
struct GroupBounds {
    QRect frame;
    QRect title;
    int top;  // first row a control may use
};

// The style keeps this margin inside the frame; the forms place controls on it.
constexpr int kInnerMargin = 3;

GroupBounds boundsOf(const QGroupBox* group) {
    QStyleOptionGroupBox opt;
    opt.initFrom(group);
    opt.text = group->title();
    opt.lineWidth = 1;
    opt.midLineWidth = 0;
    opt.textAlignment = group->alignment();
    opt.subControls = QStyle::SC_GroupBoxFrame;
    if (!group->title().isEmpty()) opt.subControls |= QStyle::SC_GroupBoxLabel;
    if (group->isFlat()) opt.features |= QStyleOptionFrame::Flat;
    const QStyle* style = group->style();
    GroupBounds b;
    b.frame = style->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxFrame, group);
    b.title = group->title().isEmpty()
                  ? QRect()
                  : style->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, group);
    // The style's contents rect starts below the title's line; the label's own rect gives the
    // height of the title as drawn, which is taller than the contents rect allows for when the
    // caption falls back to a CJK font.
    const int contents = style->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxContents, group).top();
    b.top = group->title().isEmpty() ? b.frame.top() + 1 : std::max(contents - kInnerMargin, b.title.bottom() + 1);
    return b;
}

// Every control shown in a group stands inside its frame and below its title.
QStringList strayControls(const QWidget* window) {
    QStringList stray;
    for (const QGroupBox* group : window->findChildren<QGroupBox*>()) {
        if (group->isHidden()) continue;
        const GroupBounds b = boundsOf(group);
        for (const QWidget* w : group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (w->isHidden()) continue;
            const QRect g = w->geometry();
            QString why;
            if (!b.frame.contains(g)) why = QStringLiteral("leaves the frame");
            else if (g.top() < b.top || g.intersects(b.title)) why = QStringLiteral("stands across the title");
            if (why.isEmpty()) continue;
            auto rect = [](const QRect& r) {
                return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
            };
            stray << QStringLiteral("%1 in %2 %3 (%4; frame %5, title %6, first row %7)")
                         .arg(w->objectName(), group->objectName(), why, rect(g), rect(b.frame), rect(b.title))
                         .arg(b.top);
        }
    }
    return stray;
}

// The names of a parent's child controls in their order (for a tab widget's pages, their tab
// order), each as `nameOf` gives it.
QStringList controlsIn(const QWidget* parent, const std::function<QString(const QWidget*)>& nameOf) {
    QStringList names;
    if (const auto* pages = qobject_cast<const QStackedWidget*>(parent)) {
        for (int i = 0; i < pages->count(); ++i) names << nameOf(pages->widget(i));
        return names;
    }
    for (const QObject* o : parent->children())
        if (o->isWidgetType() && !o->objectName().isEmpty()) names << nameOf(static_cast<const QWidget*>(o));
    return names;
}

class FormsAgree : public ::testing::Test {
protected:
    void SetUp() override {
        console::setErrorHandler([](const QString& m) { ADD_FAILURE() << m.toStdString(); });
        vorcard = std::make_unique<TForm1>();
        zh = std::make_unique<TForm1Zh>();
        for (TForm1* w : {vorcard.get(), zh.get()}) {
            w->show();
            // Every page once, so that each is laid out at the size the tab widget gives it.
            for (int i = 0; i < w->PageControl1->count(); ++i) w->setActivePage(i);
            w->setActivePage(0);
        }
    }
    void TearDown() override {
        zh.reset();
        vorcard.reset();
        console::setErrorHandler(nullptr);
    }
    std::unique_ptr<TForm1> vorcard;
    std::unique_ptr<TForm1> zh;
};

TEST_F(FormsAgree, EveryControlStandsInsideItsGroupBelowItsTitle) {
    for (const TForm1* w : {vorcard.get(), zh.get()}) {
        const QStringList stray = strayControls(w);
        EXPECT_TRUE(stray.isEmpty()) << w->metaObject()->className() << ":\n"
                                     << stray.join('\n').toStdString();
    }
}

TEST_F(FormsAgree, SharedControlsSitAlikeUnlessPlacedOnPurpose) {
    const Overlay overlay = readOverlay();
    auto zhName = [&](const QWidget* w) { return overlay.renamed.value(w->objectName(), w->objectName()); };
    auto removed = [&](const QWidget* w) {
        for (; w; w = w->parentWidget())
            if (overlay.removed.contains(w->objectName())) return true;
        return false;
    };
    QStringList drift;
    QStringList stale;  // listed as placed on purpose, but where Vorcard has it
    int shared = 0;
    for (const QWidget* w : vorcard->findChildren<QWidget*>()) {
        if (w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_"))) continue;
        if (vorcard->StatusBar1->isAncestorOf(w) || removed(w)) continue;  // status panels: laid out by the build
        const auto* other = zh->findChild<QWidget*>(zhName(w));
        if (!other || !w->parentWidget() || w->parentWidget()->objectName().isEmpty()) continue;
        ++shared;
        const bool alike = other->geometry() == w->geometry() &&
                           other->parentWidget()->objectName() == zhName(w->parentWidget());
        if (overlay.placed.contains(other->objectName())) {
            // A move places a control among its siblings too: it stands as in Vorcard when the
            // same controls of those both windows have there come before it.
            auto sameOrder = [&] {
                const QStringList mine = controlsIn(w->parentWidget(), zhName);
                const QStringList theirs =
                    controlsIn(other->parentWidget(), [](const QWidget* c) { return c->objectName(); });
                const QSet<QString> both =
                    QSet<QString>(mine.begin(), mine.end()) & QSet<QString>(theirs.begin(), theirs.end());
                auto before = [&](const QStringList& names) {
                    QSet<QString> b;
                    for (const QString& n : names) {
                        if (n == other->objectName()) break;
                        if (both.contains(n)) b << n;
                    }
                    return b;
                };
                return before(mine) == before(theirs);
            };
            if (alike && (!overlay.moved.contains(other->objectName()) || sameOrder())) stale << other->objectName();
            continue;
        }
        if (!alike)
            drift << QStringLiteral("%1: %2 %3,%4 %5x%6 / %7 %8,%9 %10x%11")
                         .arg(w->objectName(), w->parentWidget()->objectName())
                         .arg(w->x()).arg(w->y()).arg(w->width()).arg(w->height())
                         .arg(other->parentWidget()->objectName())
                         .arg(other->x()).arg(other->y()).arg(other->width()).arg(other->height());
    }
    EXPECT_GT(shared, 400) << "the windows share most of their controls";
    EXPECT_TRUE(drift.isEmpty()) << "Vorcard / Vorcard-zh:\n" << drift.join('\n').toStdString();
    EXPECT_TRUE(stale.isEmpty()) << "placed on purpose where Vorcard has them: " << stale.join(' ').toStdString();
}

// The device settings page's labels that have the room read on one line, and every list shows
// whole rows, in both builds.
TEST_F(FormsAgree, OneLineLabelsAndWholeListRows) {
    for (TForm1* w : {vorcard.get(), zh.get()}) {
        const char* build = w->metaObject()->className();
        for (const char* name : {"Label74", "Label75", "Label76", "Label78", "Label83", "Label108"}) {
            const auto* label = w->findChild<QLabel*>(name);
            ASSERT_NE(label, nullptr) << name;
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text().trimmed()), label->width())
                << build << " " << name << ": " << label->text().toStdString();
        }
        for (const QListWidget* list : w->findChildren<QListWidget*>()) {
            const int row = list->sizeHintForRow(0);
            ASSERT_GT(row, 0) << list->objectName().toStdString();
            EXPECT_EQ(list->viewport()->height() % row, 0)
                << build << " " << list->objectName().toStdString() << ": " << list->viewport()->height()
                << " px for rows of " << row;
        }
    }
}

}  // namespace
