// HelpController carries out the three help commands of the main window: Contents, Search
// and Index. Nothing of the help is touched before the first of them: that command finds
// the help collection, opens it and builds the help window; later commands only bring the
// window forward on another tab. When the collection is missing, damaged or holds no
// pages, the controller remembers it and every help command does nothing from then on,
// without a message, so a game installed without its help still plays.
//
// The collection that ships with the game may sit in a read-only folder, but the search
// index has to be written next to the collection it belongs to. So the controller works
// on a copy in a writable folder of the user's (the copy still refers to the shipped
// documentation file) and falls back to the shipped collection when no copy can be made.
#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>

#include "app/help_window.h"

class QHelpEngine;
class QWidget;

namespace zolva {

class HelpController : public QObject {
    Q_OBJECT

public:
    // The collection's file name, wherever it is installed.
    static QString collectionFileName();

    // Where the collection is looked for, in order, for a program started from
    // applicationDir: the build tree's help folder next to the executable, the data folder
    // of an installation relative to the executable (so an installation can be moved),
    // and the data folder the build was configured to install into.
    static QStringList defaultCollectionCandidates(const QString& applicationDir);
    // The user's cache folder for the working copy of the collection and its search index.
    static QString defaultWorkDirectory();

    // Looks in the default places; mainWindow becomes the parent of the controller and of
    // the help window.
    explicit HelpController(QWidget* mainWindow);
    // candidates: collection paths tried in order; workDirectory: where the working copy
    // goes, or empty to use the first existing candidate in place.
    HelpController(QWidget* mainWindow, QStringList candidates, QString workDirectory);
    ~HelpController() override;

    void showContents();
    void showSearch();
    void showIndex();

    // True once a help command has found no usable collection; never cleared.
    bool isUnavailable() const { return state == State::Unavailable; }
    // Null until a help command has loaded the collection.
    QHelpEngine* helpEngine() const { return engine; }
    HelpWindow* window() const { return helpWindow; }
    // The page the help window opens on, valid once loaded.
    QUrl startPage() const { return home; }

private:
    enum class State { NotLoaded, Ready, Unavailable };

    void show(HelpWindow::Tab tab);
    bool ensureLoaded();
    bool load();
    // The collection to open for shipped: a fresh working copy, or shipped itself.
    QString workingCollection(const QString& shipped) const;

    QWidget* owner;
    QStringList candidates;
    QString workDirectory;
    State state = State::NotLoaded;
    QHelpEngine* engine = nullptr;
    QPointer<HelpWindow> helpWindow;
    QUrl home;
};

}  // namespace zolva
