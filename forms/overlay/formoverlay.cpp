// Builds a form description from another one and an overlay that lists, as data, how the
// derived form differs: its class, controls removed, renamed, moved or added, and properties,
// attributes and list items set otherwise or unset.
//   formoverlay BASE.ui OVERLAY.xml OUT.ui
// Every control the overlay names must exist in the base form (a control renamed or removed
// there fails the build instead of leaving the derived form behind), and the result must not
// name two controls alike.
#include <QDomDocument>
#include <QFile>
#include <QSet>
#include <QTextStream>
#include <cstdio>
#include <stdexcept>

namespace {

[[noreturn]] void fail(const QString& message) { throw std::runtime_error(message.toStdString()); }

QDomDocument load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) fail(QStringLiteral("cannot read %1").arg(path));
    QDomDocument doc;
    QString error;
    int line = 0;
    if (!doc.setContent(&file, &error, &line)) fail(QStringLiteral("%1:%2: %3").arg(path).arg(line).arg(error));
    return doc;
}

QDomElement widget(const QDomDocument& form, const QString& name) {
    const QDomNodeList all = form.elementsByTagName(QStringLiteral("widget"));
    for (int i = 0; i < all.size(); ++i) {
        QDomElement w = all.at(i).toElement();
        if (w.attribute(QStringLiteral("name")) == name) return w;
    }
    fail(QStringLiteral("the base form has no control %1").arg(name));
}

// Puts `child` into `parent` right after its child control `after`, or before its first
// child control when `after` is empty.
void place(QDomElement parent, QDomNode child, const QString& after) {
    if (after.isEmpty()) {
        QDomElement first = parent.firstChildElement(QStringLiteral("widget"));
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
    fail(QStringLiteral("%1 has no control %2").arg(parent.attribute(QStringLiteral("name")), after));
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
    while (!before.isNull() && (before.tagName() == QLatin1String("property") ||
                                before.tagName() == QLatin1String("attribute")))
        before = before.nextSiblingElement();
    if (before.isNull())
        target.appendChild(value);
    else
        target.insertBefore(value, before);
}

void unsetValue(QDomElement target, const QString& name) {
    for (QDomElement e = target.firstChildElement(QStringLiteral("property")); !e.isNull();
         e = e.nextSiblingElement(QStringLiteral("property")))
        if (e.attribute(QStringLiteral("name")) == name) {
            target.removeChild(e);
            return;
        }
    fail(QStringLiteral("%1 has no property %2").arg(target.attribute(QStringLiteral("name")), name));
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

void apply(QDomDocument& form, const QDomElement& overlay) {
    for (QDomElement op = overlay.firstChildElement(); !op.isNull(); op = op.nextSiblingElement()) {
        const QString tag = op.tagName();
        const QString name = op.attribute(QStringLiteral("name"));
        if (tag == QLatin1String("class")) {
            QDomElement cls = form.documentElement().firstChildElement(QStringLiteral("class"));
            cls.replaceChild(form.createTextNode(op.text()), cls.firstChild());
        } else if (tag == QLatin1String("remove")) {
            QDomElement w = widget(form, name);
            w.parentNode().removeChild(w);
        } else if (tag == QLatin1String("rename")) {
            widget(form, name).setAttribute(QStringLiteral("name"), op.attribute(QStringLiteral("to")));
        } else if (tag == QLatin1String("insert")) {
            place(widget(form, op.attribute(QStringLiteral("parent"))),
                  form.importNode(op.firstChildElement(QStringLiteral("widget")), true),
                  op.attribute(QStringLiteral("after")));
        } else if (tag == QLatin1String("move")) {
            QDomElement w = widget(form, name);
            w.parentNode().removeChild(w);
            place(widget(form, op.attribute(QStringLiteral("parent"))), w, op.attribute(QStringLiteral("after")));
        } else if (tag == QLatin1String("widget")) {
            QDomElement target = widget(form, name);
            for (QDomElement v = op.firstChildElement(); !v.isNull(); v = v.nextSiblingElement()) {
                if (v.tagName() == QLatin1String("items"))
                    setItems(target, v);
                else if (v.tagName() == QLatin1String("unset"))
                    unsetValue(target, v.attribute(QStringLiteral("name")));
                else
                    setValue(target, form.importNode(v, true).toElement());
            }
        } else {
            fail(QStringLiteral("unknown overlay step <%1>").arg(tag));
        }
    }
    QSet<QString> names;
    const QDomNodeList all = form.elementsByTagName(QStringLiteral("widget"));
    for (int i = 0; i < all.size(); ++i) {
        const QString n = all.at(i).toElement().attribute(QStringLiteral("name"));
        if (names.contains(n)) fail(QStringLiteral("two controls named %1").arg(n));
        names.insert(n);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: formoverlay BASE.ui OVERLAY.xml OUT.ui\n");
        return 2;
    }
    try {
        QDomDocument form = load(args[1]);
        const QDomDocument overlay = load(args[2]);
        apply(form, overlay.documentElement());
        QFile out(args[3]);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) fail(QStringLiteral("cannot write %1").arg(args[3]));
        out.write(form.toByteArray(1));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "formoverlay: %s: %s\n", qPrintable(args[2]), e.what());
        return 1;
    }
    return 0;
}
