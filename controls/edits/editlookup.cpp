#include "controls/edits/editlookup.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QSizeGrip>
#include <algorithm>

#include "controls/edits/enhedit.h"
#include "platform/fileutils.h"
#include "platform/inifile.h"
#include "platform/registrystore.h"
#include "platform/shell.h"
#include "platform/sysutils.h"

TLookupPart LookupTypedPart(const QString& value, bool multi, QChar separator) {
    if (!multi)
        return {value, 0};
    int cut = value.lastIndexOf(separator) + 1;
    return {value.mid(cut), cut};
}

std::vector<TLookupMatch> LookupMatches(const TLookupSettings& l, const QString& typed) {
    std::vector<TLookupMatch> out;
    for (int i = 0; i < l.DisplayList.Count(); ++i) {
        QString line = QString::fromStdString(l.DisplayList[i]);
        bool match =
            l.CaseSensitive ? line.startsWith(typed) : line.toUpper().startsWith(typed.toUpper());
        if (match)
            out.push_back({line, i});
    }
    std::stable_sort(out.begin(), out.end(), [](const TLookupMatch& a, const TLookupMatch& b) {
        return QString::localeAwareCompare(a.Text, b.Text) < 0;
    });
    return out;
}

QString LookupValue(const TLookupSettings& l, int index, const QString& text) {
    if (index >= 0 && index < l.ValueList.Count())
        return QString::fromStdString(l.ValueList[index]);
    return text;
}

bool LearnHistory(TLookupSettings& l, const std::string& text) {
    std::string t = Trim(text);
    if (t.empty())
        return false;
    for (int i = 0; i < l.DisplayList.Count(); ++i)
        if (l.DisplayList[i] == t)
            return false;
    l.DisplayList.Add(t);
    return true;
}

std::string PersistenceFileName(const TPersistence& p) {
    std::string key = p.Key;
    if (key.empty()) {
        const std::string name = ChangeFileExt(ExtractFileName(ProgramFileName()), "");
        key = (name.empty() ? "tockwell" : name) + ".ini";
    }
    if (key.front() == '/')
        return key;
    return RegistryStoreFolder() + "/" + key;
}

std::unique_ptr<TCustomIniFile> OpenPersistence(const TPersistence& p) {
    if (p.Location == plRegistry)
        return std::make_unique<TRegistryIniFile>(p.Key);
    return std::make_unique<TIniFile>(PersistenceFileName(p));
}

std::string LoadPersistValues(TCustomIniFile& ini, const std::string& section,
                              const std::string& name, TLookupSettings& l) {
    if (l.Enabled && l.History) {
        int count = ini.ReadInteger(section, "LOOKUPCOUNT", 0);
        for (int i = 1; i <= count; ++i) {
            const std::string valueName = "LOOKUPVAL" + IntToStr(i);
            const std::string shownName = "LOOKUPDISPL" + IntToStr(i);
            // The stored count is bounded by the entries present: they end at the first gap.
            if (!ini.ValueExists(section, valueName) && !ini.ValueExists(section, shownName))
                break;
            std::string value = ini.ReadString(section, valueName, "");
            std::string shown = ini.ReadString(section, shownName, "");
            if (!value.empty())
                l.ValueList.Add(value);
            if (!shown.empty())
                l.DisplayList.Add(shown);
        }
    }
    return ini.ReadString(section, name, "@");
}

void SavePersistValues(TCustomIniFile& ini, const std::string& section, const std::string& name,
                       const std::string& windowText, const TLookupSettings& l) {
    ini.WriteString(section, name, windowText);
    if (!(l.Enabled && l.History))
        return;
    ini.WriteInteger(section, "LOOKUPCOUNT", l.DisplayList.Count());
    for (int i = 0; i < l.DisplayList.Count(); ++i) {
        ini.WriteString(section, "LOOKUPDISPL" + IntToStr(i + 1), l.DisplayList[i]);
        if (i < l.ValueList.Count())
            ini.WriteString(section, "LOOKUPVAL" + IntToStr(i + 1), l.ValueList[i]);
    }
}

// ---- The drop-down window ------------------------------------------------------------------

TListHintWindow::TListHintWindow(TEnhEdit& edit)
    : QFrame(&edit, Qt::Popup | Qt::FramelessWindowHint), edit_(edit) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    list_ = new QListWidget(this);
    list_->setObjectName("ListControl");
    list_->setFrameShape(QFrame::NoFrame);
    list_->setFocusPolicy(Qt::NoFocus);
    list_->setUniformItemSizes(true);
    QFont f("DejaVu Sans");
    f.setPixelSize(10);
    list_->setFont(f);
    list_->viewport()->installEventFilter(this);
    // The bottom-right corner resizes the window.
    grip_ = new QSizeGrip(this);
    grip_->resize(10, 10);
}

void TListHintWindow::resizeEvent(QResizeEvent* e) {
    QFrame::resizeEvent(e);
    list_->setGeometry(rect().adjusted(1, 1, -1, -1));
    grip_->move(width() - grip_->width(), height() - grip_->height());
    grip_->raise();
}

void TListHintWindow::keyPressEvent(QKeyEvent* e) {
    if (edit_.LookupKey(e->key())) {
        e->accept();
        return;
    }
    if (e->key() == Qt::Key_Escape) {
        hide();
        e->accept();
        return;
    }
    // Typing goes on in the edit while the list is open.
    QCoreApplication::sendEvent(&edit_, e);
}

bool TListHintWindow::eventFilter(QObject* watched, QEvent* e) {
    if (watched == list_->viewport() && e->type() == QEvent::MouseButtonRelease) {
        auto* me = static_cast<QMouseEvent*>(e);
        if (QListWidgetItem* item = list_->itemAt(me->position().toPoint())) {
            list_->setCurrentItem(item);
            edit_.PickLookup();
            return true;
        }
    }
    return QFrame::eventFilter(watched, e);
}
