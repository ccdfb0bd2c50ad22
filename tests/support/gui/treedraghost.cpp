// Two string trees side by side on a real X display, for the tree tests' drag with the mouse.
// The program says on its standard output where the rows are and what each drag did, and takes
// commands on its standard input (it ends when that closes):
//   out: "point <tree> <text> <x> <y>" (screen position of a row's label), "point <tree>
//        below <x> <y>" (empty space under the rows), "point bin here <x> <y>" (a drop area
//        that deletes itself when something is dropped on it), "ready", "over <tree|bin>" (a
//        drag moves over it), "shot <file>", "state left=<texts> right=<texts>" (after each
//        drag from the left tree, texts joined by '|', with the rows' points again before it),
//        "end left <target> <x> <y>" (a drag from the left tree ended: the tree it went to,
//        "none", or "deleted" for the bin after it went; the mouse on the screen), "dropped
//        bin", "focus left <text>", "ack vcl".
//   in:  "vcl" (the left tree's drags become DragType dtVCL), "quit".
// With TREE_SCREENSHOT set, the screen is saved there (with "-drag" before the extension)
// while the first drag is over the right tree.
#include <QApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <random>
#include <unistd.h>

#include "controls/tree/stringtree.h"
#include "controls/tree/treeclipboard.h"

namespace {

// The texts of both trees' nodes; a node's data is its index + 1 here (0: not named yet), so
// that a node moved between the trees keeps its text.
QStringList Texts;

void Say(const QString& line) {
    std::fputs(qPrintable(line + '\n'), stdout);
    std::fflush(stdout);
}

class THostTree : public TLeanStringTree {
public:
    explicit THostTree(const QString& name, QWidget* parent) : Name(name) {
        setParent(parent);
        SetNodeDataSize(sizeof(int));
        OnGetText = [this](TBaseLeanTree*, PLeanNode n, TColumnIndex, TVSTTextType, QString& text) {
            int i = *GetNodeData<int>(n);
            text = i > 0 ? Texts.value(i - 1) : QString();
        };
        OnNewText = [this](TBaseLeanTree*, PLeanNode n, TColumnIndex, const QString& text) {
            int& i = *GetNodeData<int>(n);
            if (i <= 0) {
                Texts << text;
                i = int(Texts.size());
            } else {
                Texts[i - 1] = text;
            }
        };
        // "over" once per drag that comes over the tree.
        OnDragOver = [this](TBaseLeanTree*, TBaseLeanTree*, Qt::KeyboardModifiers, TDragState state,
                            QPoint, TDropMode, Qt::DropAction&, bool& accept) {
            accept = true;
            if (state == dsDragLeave) {
                overSaid = false;
            } else if (state == dsDragMove && !overSaid) {
                overSaid = true;
                Say("over " + Name);
                if (OnOver)
                    OnOver();
            }
        };
        OnDragDrop = [this](TBaseLeanTree* sender, TBaseLeanTree* source, const QMimeData* data,
                            const TFormatArray&, Qt::KeyboardModifiers, QPoint,
                            Qt::DropAction& effect, TDropMode) {
            overSaid = false;
            sender->ProcessDrop(source, data, effect);
        };
    }
    void Add(const QString& text) {
        PLeanNode n = AddChild(nullptr);
        Texts << text;
        *GetNodeData<int>(n) = int(Texts.size());
    }
    QString Text(PLeanNode n) { return DoGetText(n, NoColumn, ttNormal); }
    QString Rows() {
        QStringList rows;
        for (PLeanNode n = GetFirstChild(nullptr); n; n = GetNextSibling(n))
            rows << Text(n);
        return rows.join('|');
    }
    void ReportPoints() {
        QRect last;
        for (PLeanNode n = GetFirstChild(nullptr); n; n = GetNextSibling(n)) {
            last = GetDisplayRect(n, NoColumn, true);
            QPoint p = viewport()->mapToGlobal(last.center());
            Say(QString("point %1 %2 %3 %4").arg(Name, Text(n)).arg(p.x()).arg(p.y()));
        }
        QPoint below = viewport()->mapToGlobal(QPoint(ClientWidth() / 2, ClientHeight() - 20));
        Say(QString("point %1 below %2 %3").arg(Name).arg(below.x()).arg(below.y()));
    }
    std::function<void()> OnOver;
    const QString Name;

private:
    bool overSaid = false;
};

// Takes any drop and deletes itself in its drop handler, so that the drag's target is gone
// before the drag returns.
class TDropBin : public QWidget {
public:
    explicit TDropBin(QWidget* parent) : QWidget(parent) {
        setAcceptDrops(true);
        setAutoFillBackground(true);
        setPalette(QPalette(Qt::darkGray));
    }

protected:
    void dragEnterEvent(QDragEnterEvent* e) override { e->acceptProposedAction(); }
    void dragMoveEvent(QDragMoveEvent* e) override {
        e->acceptProposedAction();
        if (!overSaid) {
            overSaid = true;
            Say("over bin");
        }
    }
    void dropEvent(QDropEvent* e) override {
        e->acceptProposedAction();
        Say("dropped bin");
        delete this; // nothing of this object is touched after this
    }

private:
    bool overSaid = false;
};

} // namespace

// The X platform's session bus connection keeps an allocation for the process's life.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus\n";
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::random_device entropy;
    InitializeTreeReferenceToken([&] { return (uint64_t(entropy()) << 32) | entropy(); });
    QWidget window;
    window.setWindowTitle("Tree drag host");
    window.setGeometry(40, 40, 560, 320);
    THostTree left("left", &window), right("right", &window);
    left.setGeometry(0, 0, 260, 260);
    right.setGeometry(300, 0, 260, 260);
    // Owned by the window until it deletes itself; only its address is kept for the reports.
    auto* bin = new TDropBin(&window);
    bin->setGeometry(300, 270, 260, 50);
    const QObject* const binAddress = bin;
    auto reportBin = [&] {
        QPoint p = window.mapToGlobal(QPoint(430, 295));
        Say(QString("point bin here %1 %2").arg(p.x()).arg(p.y()));
    };
    for (const char* s : {"Alpha", "Bravo", "Charlie", "Delta"})
        left.Add(s);
    for (const char* s : {"One", "Two"})
        right.Add(s);
    left.DragMode = dmAutomatic;

    QString shotPath = qEnvironmentVariable("TREE_SCREENSHOT");
    if (!shotPath.isEmpty()) {
        shotPath.insert(shotPath.lastIndexOf('.'), "-drag");
        right.OnOver = [&] {
            // A moment for the drag picture to show where the mouse is.
            QTimer::singleShot(300, &window, [&] {
                if (shotPath.isEmpty())
                    return;
                QGuiApplication::primaryScreen()->grabWindow(0).save(shotPath);
                Say("shot " + shotPath);
                shotPath.clear();
            });
        };
    }
    bool dragging = false;
    left.OnStateChange = [&](TBaseLeanTree*, TLeanTreeStates enter, TLeanTreeStates leave) {
        using enum TLeanTreeState;
        const TLeanTreeStates drag{tsOLEDragging, tsVCLDragging};
        if (enter.Intersects(drag)) {
            dragging = true;
        } else if (dragging && leave.Intersects(drag)) {
            dragging = false;
            // Once the drag has returned: where the rows are now, then what they are.
            QTimer::singleShot(0, &window, [&] {
                left.ReportPoints();
                right.ReportPoints();
                Say(QString("state left=%1 right=%2").arg(left.Rows(), right.Rows()));
            });
        }
    };
    left.OnEndDrag = [&](TBaseLeanTree*, QObject* target, int x, int y) {
        QString to = target == &right       ? "right"
                     : target == &left      ? "left"
                     : target == binAddress ? "deleted"
                     : target               ? "other"
                                            : "none";
        QPoint p = left.viewport()->mapToGlobal(QPoint(x, y));
        Say(QString("end left %1 %2 %3").arg(to).arg(p.x()).arg(p.y()));
    };
    left.OnFocusChanged = [&](TBaseLeanTree*, PLeanNode n, TColumnIndex) {
        if (n)
            Say("focus left " + left.Text(n));
    };

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[256];
        ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input.setEnabled(false);
            QApplication::quit();
            return;
        }
        pending.append(buffer, n);
        while (pending.contains('\n')) {
            QByteArray line = pending.left(pending.indexOf('\n')).trimmed();
            pending.remove(0, pending.indexOf('\n') + 1);
            if (line == "vcl") {
                left.DragType = dtVCL;
                Say("ack vcl");
            } else if (line == "quit") {
                QApplication::quit();
            }
        }
    });

    window.show();
    // Rows are reported once the window is on the screen where the mouse will find them.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!window.windowHandle() || !window.windowHandle()->isExposed())
            return;
        poll.stop();
        left.ReportPoints();
        right.ReportPoints();
        reportBin();
        Say("ready");
    });
    poll.start(20);
    return app.exec();
}
