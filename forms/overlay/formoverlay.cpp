// Builds a form description from another one and an overlay that lists, as data, how the
// derived form differs: its class, controls renamed, removed, moved or added, and properties,
// attributes and list items set otherwise or unset.
//   formoverlay BASE.ui OVERLAY.xml OUT.ui
// The overlay is checked as it is applied: a step, attribute or child element the grammar
// does not have, a missing attribute, a property or attribute the control's class does not
// have, a control that is not there, or a name two controls would share stops the tool with
// one line OVERLAY:LINE: what is wrong, and nothing is written, so that the build stops at the
// overlay's own line. The renames are one table applied at once; the steps after it name each
// control by the name it has in the derived form. Only removals, which name controls the
// derived form does not have, may stand before it.
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDomDocument>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QWidget>
#include <cstdio>
#include <stdexcept>

namespace {

// A refusal of the overlay at one of its lines.
struct Refusal {
    int line;
    QString what;
};

[[noreturn]] void refuse(const QDomNode& at, const QString& what) {
    throw Refusal{at.lineNumber(), what};
}

// A failure outside the overlay's steps: a file that cannot be read or written, a document that
// does not parse. The message is whole.
[[noreturn]] void fail(const QString& message) {
    throw std::runtime_error(message.toStdString());
}

QDomDocument load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) fail(QStringLiteral("formoverlay: cannot read %1").arg(path));
    QDomDocument doc;
    QString error;
    int line = 0;
    if (!doc.setContent(&file, &error, &line)) fail(QStringLiteral("%1:%2: %3").arg(path).arg(line).arg(error));
    return doc;
}

QString tagOf(const QDomElement& e) {
    return QStringLiteral("<%1>").arg(e.tagName());
}

// What an element of the overlay carries: the attributes it must have, those it may have, the
// child elements it may hold (and how a refusal calls them, where the list is long), and
// whether it holds text.
struct Grammar {
    QStringList required;
    QStringList optional;
    QStringList children;
    bool text = false;
    QString childrenAre = {};
};

// Refuses an element that carries an attribute its grammar lacks, misses one it requires, gives
// one no value, or holds another child element or text than its grammar allows.
void check(const QDomElement& e, const Grammar& g) {
    const QDomNamedNodeMap attributes = e.attributes();
    for (int i = 0; i < attributes.size(); ++i) {
        const QString name = attributes.item(i).nodeName();
        if (!g.required.contains(name) && !g.optional.contains(name)) {
            const QStringList takes = g.required + g.optional;
            refuse(e, takes.isEmpty() ? QStringLiteral("%1 takes no attribute %2").arg(tagOf(e), name)
                                      : QStringLiteral("%1 has no attribute %2 (it takes %3)")
                                            .arg(tagOf(e), name, takes.join(QStringLiteral(", "))));
        }
        if (attributes.item(i).nodeValue().isEmpty())
            refuse(e, QStringLiteral("%1 gives %2 no value").arg(tagOf(e), name));
    }
    for (const QString& name : g.required)
        if (!e.hasAttribute(name)) refuse(e, QStringLiteral("%1 lacks the attribute %2").arg(tagOf(e), name));
    for (QDomNode n = e.firstChild(); !n.isNull(); n = n.nextSibling()) {
        if (n.isElement() && !g.children.contains(n.toElement().tagName()))
            refuse(n, g.children.isEmpty()
                          ? QStringLiteral("%1 holds no element, not %2").arg(tagOf(e), tagOf(n.toElement()))
                          : QStringLiteral("%1 cannot hold %2 (only %3)")
                                .arg(tagOf(e), tagOf(n.toElement()),
                                     g.childrenAre.isEmpty() ? g.children.join(QStringLiteral(", ")) : g.childrenAre));
        if ((n.isText() || n.isCDATASection()) && !g.text && !n.nodeValue().trimmed().isEmpty())
            refuse(n, QStringLiteral("%1 holds no text").arg(tagOf(e)));
    }
}

const QStringList kSteps = {QStringLiteral("class"), QStringLiteral("renames"), QStringLiteral("remove"),
                            QStringLiteral("move"),  QStringLiteral("insert"),  QStringLiteral("widget")};

// The value kinds a property or attribute of a form description holds.
const QStringList kValues = {
    QStringLiteral("bool"),       QStringLiteral("brush"),   QStringLiteral("char"),        QStringLiteral("color"),
    QStringLiteral("cstring"),    QStringLiteral("cursor"),  QStringLiteral("cursorShape"), QStringLiteral("date"),
    QStringLiteral("dateTime"),   QStringLiteral("double"),  QStringLiteral("enum"),        QStringLiteral("float"),
    QStringLiteral("font"),       QStringLiteral("iconSet"), QStringLiteral("locale"),      QStringLiteral("longLong"),
    QStringLiteral("number"),     QStringLiteral("palette"), QStringLiteral("pixmap"),      QStringLiteral("point"),
    QStringLiteral("pointF"),     QStringLiteral("rect"),    QStringLiteral("rectF"),       QStringLiteral("set"),
    QStringLiteral("size"),       QStringLiteral("sizeF"),   QStringLiteral("sizePolicy"),  QStringLiteral("string"),
    QStringLiteral("stringList"), QStringLiteral("time"),    QStringLiteral("uInt"),        QStringLiteral("uLongLong"),
    QStringLiteral("url")};

// The Qt classes the forms use, by name. A form that comes to use another class adds it here.
const QHash<QString, const QMetaObject*>& qtClasses() {
    static const QHash<QString, const QMetaObject*> table = {
        {QStringLiteral("QWidget"), &QWidget::staticMetaObject},
        {QStringLiteral("QDialog"), &QDialog::staticMetaObject},
        {QStringLiteral("QTabWidget"), &QTabWidget::staticMetaObject},
        {QStringLiteral("QGroupBox"), &QGroupBox::staticMetaObject},
        {QStringLiteral("QFrame"), &QFrame::staticMetaObject},
        {QStringLiteral("QLabel"), &QLabel::staticMetaObject},
        {QStringLiteral("QPushButton"), &QPushButton::staticMetaObject},
        {QStringLiteral("QRadioButton"), &QRadioButton::staticMetaObject},
        {QStringLiteral("QCheckBox"), &QCheckBox::staticMetaObject},
        {QStringLiteral("QComboBox"), &QComboBox::staticMetaObject},
        {QStringLiteral("QLineEdit"), &QLineEdit::staticMetaObject},
        {QStringLiteral("QListWidget"), &QListWidget::staticMetaObject},
        {QStringLiteral("QTableWidget"), &QTableWidget::staticMetaObject},
        {QStringLiteral("QAbstractScrollArea"), &QAbstractScrollArea::staticMetaObject},
        {QStringLiteral("QStatusBar"), &QStatusBar::staticMetaObject},
    };
    return table;
}

// What is known of the control classes: a class's properties are those of its Qt meta-object
// (for a custom control, that of the Qt class it extends) and those the base form sets on a
// control of the class; its attributes, and the properties of list items, those the base form
// gives them.
class Classes {
public:
    explicit Classes(const QDomDocument& base) {
        const QDomNodeList custom = base.elementsByTagName(QStringLiteral("customwidget"));
        for (int i = 0; i < custom.size(); ++i) {
            const QDomElement c = custom.at(i).toElement();
            extends_.insert(c.firstChildElement(QStringLiteral("class")).text(),
                            c.firstChildElement(QStringLiteral("extends")).text());
        }
        const QDomNodeList all = base.elementsByTagName(QStringLiteral("widget"));
        for (int i = 0; i < all.size(); ++i) {
            const QDomElement w = all.at(i).toElement();
            const QString cls = w.attribute(QStringLiteral("class"));
            used_.insert(cls);
            for (QDomElement p = w.firstChildElement(); !p.isNull(); p = p.nextSiblingElement())
                if (p.tagName() == QLatin1String("property"))
                    properties_[cls].insert(p.attribute(QStringLiteral("name")));
                else if (p.tagName() == QLatin1String("attribute"))
                    attributes_[cls].insert(p.attribute(QStringLiteral("name")));
        }
        const QDomNodeList items = base.elementsByTagName(QStringLiteral("item"));
        for (int i = 0; i < items.size(); ++i)
            for (QDomElement p = items.at(i).firstChildElement(QStringLiteral("property")); !p.isNull();
                 p = p.nextSiblingElement(QStringLiteral("property")))
                itemProperties_.insert(p.attribute(QStringLiteral("name")));
    }

    bool known(const QString& cls) const { return used_.contains(cls) || metaObject(cls); }

    bool hasProperty(const QString& cls, const QString& name) const {
        if (properties_.value(cls).contains(name)) return true;
        const QMetaObject* meta = metaObject(cls);
        return meta && meta->indexOfProperty(name.toLatin1().constData()) >= 0;
    }
    bool hasAttribute(const QString& cls, const QString& name) const { return attributes_.value(cls).contains(name); }
    bool itemHasProperty(const QString& name) const { return itemProperties_.contains(name); }

private:
    const QMetaObject* metaObject(QString cls) const {
        for (int depth = 0; depth < 8; ++depth) {
            if (const QMetaObject* meta = qtClasses().value(cls)) return meta;
            if (!extends_.contains(cls)) return nullptr;
            cls = extends_.value(cls);
        }
        return nullptr;
    }

    QHash<QString, QString> extends_;  // custom control class -> the class it extends
    QSet<QString> used_;
    QHash<QString, QSet<QString>> properties_;
    QHash<QString, QSet<QString>> attributes_;
    QSet<QString> itemProperties_;
};

QDomElement findWidget(const QDomDocument& form, const QString& name) {
    const QDomNodeList all = form.elementsByTagName(QStringLiteral("widget"));
    for (int i = 0; i < all.size(); ++i) {
        QDomElement w = all.at(i).toElement();
        if (w.attribute(QStringLiteral("name")) == name) return w;
    }
    return {};
}

// Sets a property or attribute of a control: the one of that name is replaced in place, a new
// one goes before the control's items and children.
void setValue(QDomElement target, const QDomElement& value) {
    const QString name = value.attribute(QStringLiteral("name"));
    for (QDomElement e = target.firstChildElement(value.tagName()); !e.isNull();
         e = e.nextSiblingElement(value.tagName()))
        if (e.attribute(QStringLiteral("name")) == name) {
            target.replaceChild(value, e);
            return;
        }
    QDomElement before = target.firstChildElement();
    while (!before.isNull() &&
           (before.tagName() == QLatin1String("property") || before.tagName() == QLatin1String("attribute")))
        before = before.nextSiblingElement();
    if (before.isNull())
        target.appendChild(value);
    else
        target.insertBefore(value, before);
}

// The list entries of a control, replaced whole.
void setItems(QDomElement target, const QDomElement& items) {
    QDomElement old = target.firstChildElement(QStringLiteral("item"));
    QDomNode at = old.isNull() ? target.firstChildElement(QStringLiteral("widget")) : old.toElement();
    while (!old.isNull()) {
        QDomElement next = old.nextSiblingElement(QStringLiteral("item"));
        if (at == old) at = next;
        target.removeChild(old);
        old = next;
    }
    for (QDomElement item = items.firstChildElement(QStringLiteral("item")); !item.isNull();
         item = item.nextSiblingElement(QStringLiteral("item"))) {
        QDomNode copy = target.ownerDocument().importNode(item, true);
        if (at.isNull())
            target.appendChild(copy);
        else
            target.insertBefore(copy, at);
    }
}

class Overlay {
public:
    Overlay(QDomDocument& form, const Classes& classes) : form_(form), classes_(classes) {}

    void apply(const QDomElement& root) {
        if (root.tagName() != QLatin1String("overlay"))
            refuse(root, QStringLiteral("an overlay is an <overlay>, not %1").arg(tagOf(root)));
        check(root, {{}, {}, kSteps});
        QDomElement renames;
        bool stepped = false;  // a step that names a control by its new name came
        for (QDomElement step = root.firstChildElement(); !step.isNull(); step = step.nextSiblingElement()) {
            const QString tag = step.tagName();
            if (tag == QLatin1String("class")) {
                setClass(step);
            } else if (tag == QLatin1String("renames")) {
                if (!renames.isNull())
                    refuse(step, QStringLiteral("a second <renames>: the renames are one table (line %1)")
                                     .arg(renames.lineNumber()));
                if (stepped) refuse(step, QStringLiteral("<renames> comes before every step but <class> and <remove>"));
                renames = step;
                renameAll(step);
            } else if (tag == QLatin1String("remove")) {
                check(step, {{QStringLiteral("name")}, {}, {}});
                QDomElement w = control(step, QStringLiteral("name"));
                w.parentNode().removeChild(w);
            } else if (tag == QLatin1String("move")) {
                check(step, {{QStringLiteral("name"), QStringLiteral("parent")}, {QStringLiteral("after")}, {}});
                QDomElement w = control(step, QStringLiteral("name"));
                const QDomElement parent = control(step, QStringLiteral("parent"));
                for (QDomNode up = parent; !up.isNull(); up = up.parentNode())
                    if (up == w)
                        refuse(step, QStringLiteral("%1 cannot move into itself").arg(w.attribute(QStringLiteral("name"))));
                w.parentNode().removeChild(w);
                place(step, parent, w);
            } else if (tag == QLatin1String("insert")) {
                insert(step);
            } else {
                change(step);
            }
            stepped = stepped || tag == QLatin1String("move") || tag == QLatin1String("insert") ||
                      tag == QLatin1String("widget");
        }
    }

private:
    void setClass(const QDomElement& step) {
        check(step, {{}, {}, {}, true});
        if (step.text().trimmed().isEmpty()) refuse(step, QStringLiteral("<class> holds no class name"));
        QDomElement cls = form_.documentElement().firstChildElement(QStringLiteral("class"));
        if (cls.isNull()) fail(QStringLiteral("formoverlay: the base form has no <class>"));
        cls.replaceChild(form_.createTextNode(step.text()), cls.firstChild());
    }

    // The renames, applied at once: each names a control of the base form by its name there and
    // gives its new name. A control renamed twice, a new name given twice, or one that a control
    // keeping its name has, is refused.
    void renameAll(const QDomElement& table) {
        check(table, {{}, {}, {QStringLiteral("rename")}});
        QHash<QString, QDomElement> byName;
        QHash<QString, QDomElement> byTo;
        QList<QDomElement> entries;
        QList<QPair<QDomElement, QString>> renames;  // each control with its new name
        for (QDomElement r = table.firstChildElement(); !r.isNull(); r = r.nextSiblingElement()) {
            check(r, {{QStringLiteral("name"), QStringLiteral("to")}, {}, {}});
            const QString name = r.attribute(QStringLiteral("name"));
            const QString to = r.attribute(QStringLiteral("to"));
            if (byName.contains(name))
                refuse(r,
                       QStringLiteral("%1 is renamed twice (line %2)").arg(name).arg(byName.value(name).lineNumber()));
            if (byTo.contains(to))
                refuse(r, QStringLiteral("two controls would be named %1: %2 and %3 (line %4)")
                              .arg(to, name, byTo.value(to).attribute(QStringLiteral("name")))
                              .arg(byTo.value(to).lineNumber()));
            byName.insert(name, r);
            byTo.insert(to, r);
            entries.append(r);
            renames.append({control(r, QStringLiteral("name")), to});
        }
        for (const QDomElement& r : std::as_const(entries)) {
            const QString to = r.attribute(QStringLiteral("to"));
            if (!byName.contains(to) && !findWidget(form_, to).isNull())
                refuse(r, QStringLiteral("two controls would be named %1: the base form's %1 keeps its name").arg(to));
        }
        for (auto& [w, to] : renames) {
            renamedTo_.insert(w.attribute(QStringLiteral("name")), to);
            w.setAttribute(QStringLiteral("name"), to);
        }
    }

    // The control that a step's attribute names.
    QDomElement control(const QDomElement& step, const QString& attribute) const {
        const QString name = step.attribute(attribute);
        QDomElement w = findWidget(form_, name);
        if (!w.isNull()) return w;
        if (renamedTo_.contains(name))
            refuse(step, QStringLiteral("%1 is the base form's name: the overlay calls that control %2")
                             .arg(name, renamedTo_.value(name)));
        refuse(step, QStringLiteral("the base form has no control %1").arg(name));
    }

    // Puts `child` into `parent` right after the child control the step's `after` names, or
    // before its first child control when the step has no `after`.
    void place(const QDomElement& step, QDomElement parent, const QDomNode& child) {
        const QString after = step.attribute(QStringLiteral("after"));
        if (after.isEmpty()) {
            const QDomElement first = parent.firstChildElement(QStringLiteral("widget"));
            if (first.isNull())
                parent.appendChild(child);
            else
                parent.insertBefore(child, first);
            return;
        }
        for (QDomElement w = parent.firstChildElement(QStringLiteral("widget")); !w.isNull();
             w = w.nextSiblingElement(QStringLiteral("widget")))
            if (w.attribute(QStringLiteral("name")) == after) {
                parent.insertAfter(child, w);
                return;
            }
        refuse(step, QStringLiteral("%1 has no control %2").arg(parent.attribute(QStringLiteral("name")), after));
    }

    void insert(const QDomElement& step) {
        check(step, {{QStringLiteral("parent")}, {QStringLiteral("after")}, {QStringLiteral("widget")}});
        const QDomElement added = step.firstChildElement(QStringLiteral("widget"));
        if (added.isNull() || !added.nextSiblingElement().isNull())
            refuse(step, QStringLiteral("<insert> holds one <widget>, the control it adds"));
        const QDomElement parent = control(step, QStringLiteral("parent"));
        QSet<QString> names;
        checkNewControl(added, names);
        place(step, parent, form_.importNode(added, true));
    }

    // A control that the overlay adds, with its children: each a class known here, with the
    // properties and attributes of its class and a name no other control has.
    void checkNewControl(const QDomElement& w, QSet<QString>& names) const {
        check(w, {{QStringLiteral("class"), QStringLiteral("name")},
                  {},
                  {QStringLiteral("property"), QStringLiteral("attribute"), QStringLiteral("item"),
                   QStringLiteral("widget")}});
        const QString cls = w.attribute(QStringLiteral("class"));
        const QString name = w.attribute(QStringLiteral("name"));
        if (!classes_.known(cls)) refuse(w, QStringLiteral("unknown control class %1").arg(cls));
        if (names.contains(name) || !findWidget(form_, name).isNull())
            refuse(w, QStringLiteral("two controls would be named %1").arg(name));
        names.insert(name);
        for (QDomElement e = w.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
            if (e.tagName() == QLatin1String("widget"))
                checkNewControl(e, names);
            else if (e.tagName() == QLatin1String("item"))
                checkItem(e);
            else
                checkValue(e, cls, name);
        }
    }

    // A <widget> step: properties and attributes set, list items replaced, properties unset.
    void change(const QDomElement& step) {
        check(step, {{QStringLiteral("name")},
                     {},
                     {QStringLiteral("property"), QStringLiteral("attribute"), QStringLiteral("items"),
                      QStringLiteral("unset")}});
        QDomElement target = control(step, QStringLiteral("name"));
        const QString cls = target.attribute(QStringLiteral("class"));
        const QString name = target.attribute(QStringLiteral("name"));
        for (QDomElement v = step.firstChildElement(); !v.isNull(); v = v.nextSiblingElement()) {
            if (v.tagName() == QLatin1String("items")) {
                check(v, {{}, {}, {QStringLiteral("item")}});
                for (QDomElement item = v.firstChildElement(); !item.isNull(); item = item.nextSiblingElement())
                    checkItem(item);
                setItems(target, v);
            } else if (v.tagName() == QLatin1String("unset")) {
                check(v, {{QStringLiteral("name")}, {}, {}});
                unset(v, target);
            } else {
                checkValue(v, cls, name);
                setValue(target, form_.importNode(v, true).toElement());
            }
        }
    }

    void unset(const QDomElement& step, QDomElement target) {
        const QString name = step.attribute(QStringLiteral("name"));
        for (QDomElement e = target.firstChildElement(QStringLiteral("property")); !e.isNull();
             e = e.nextSiblingElement(QStringLiteral("property")))
            if (e.attribute(QStringLiteral("name")) == name) {
                target.removeChild(e);
                return;
            }
        refuse(step, QStringLiteral("%1 has no property %2 set").arg(target.attribute(QStringLiteral("name")), name));
    }

    void checkItem(const QDomElement& item) const {
        check(item, {{}, {}, {QStringLiteral("property")}});
        for (QDomElement p = item.firstChildElement(); !p.isNull(); p = p.nextSiblingElement()) {
            checkHoldsValue(p);
            if (!classes_.itemHasProperty(p.attribute(QStringLiteral("name"))))
                refuse(p, QStringLiteral("a list item has no property %1").arg(p.attribute(QStringLiteral("name"))));
        }
    }

    // A <property> or <attribute> of control `name` of class `cls`.
    void checkValue(const QDomElement& v, const QString& cls, const QString& name) const {
        checkHoldsValue(v);
        const QString what = v.attribute(QStringLiteral("name"));
        if (v.tagName() == QLatin1String("property") && !classes_.hasProperty(cls, what))
            refuse(v, QStringLiteral("%1 (%2) has no property %3").arg(name, cls, what));
        if (v.tagName() == QLatin1String("attribute") && !classes_.hasAttribute(cls, what))
            refuse(v, QStringLiteral("%1 (%2) takes no attribute %3").arg(name, cls, what));
    }

    static void checkHoldsValue(const QDomElement& v) {
        check(v, {{QStringLiteral("name")},
                  {},
                  kValues,
                  false,
                  QStringLiteral("a value: <string>, <number>, <bool>, <rect>, <enum>...")});
        const QDomElement value = v.firstChildElement();
        if (value.isNull() || !value.nextSiblingElement().isNull())
            refuse(v, QStringLiteral("%1 %2 holds one value").arg(tagOf(v), v.attribute(QStringLiteral("name"))));
    }

    QDomDocument& form_;
    const Classes& classes_;
    QHash<QString, QString> renamedTo_;  // base form's name -> the overlay's
};

}  // namespace

int main(int argc, char** argv) {
    // QDom writes an element's attributes in the order of a hash: the same seed on every run
    // gives the same description from the same input.
    QHashSeed::setDeterministicGlobalSeed();
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: formoverlay BASE.ui OVERLAY.xml OUT.ui\n");
        return 2;
    }
    try {
        QDomDocument form = load(args[1]);
        const QDomDocument overlay = load(args[2]);
        const Classes classes(form);
        Overlay(form, classes).apply(overlay.documentElement());
        QFile out(args[3]);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            fail(QStringLiteral("formoverlay: cannot write %1").arg(args[3]));
        out.write(form.toByteArray(1));
    } catch (const Refusal& r) {
        std::fprintf(stderr, "%s:%d: %s\n", args[2].toLocal8Bit().constData(), r.line, r.what.toUtf8().constData());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
