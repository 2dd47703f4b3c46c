#ifndef WINDOWFIXTURE_H
#define WINDOWFIXTURE_H

#include "app/dialogs.h"
#include "app/photorenamergui.h"
#include "tests/support/privatesettings.h"
#include "tests/support/testphotos.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QTest>
#include <QTextEdit>

#include <memory>

// What the window said through its message boxes.
struct MessageBoxes
{
    QStringList critical; // "title: text"
    QStringList information;
    QString directory; // what folder dialogs answer
};

// The real window, shown headless, with message boxes that only record.
struct WindowFixture
{
    std::unique_ptr<PhotoRenamerGUI> window;
    std::shared_ptr<MessageBoxes> boxes = std::make_shared<MessageBoxes>();

    bool open()
    {
        clearPrivateSettings();
        boxes = std::make_shared<MessageBoxes>();
        window = std::make_unique<PhotoRenamerGUI>();
        Dialogs dialogs;
        const auto record = [](QStringList &list) {
            return [&list](QWidget *, const QString &title, const QString &text) {
                list << title + QStringLiteral(": ") + text;
            };
        };
        dialogs.critical = record(boxes->critical);
        dialogs.information = record(boxes->information);
        dialogs.existingDirectory = [boxes = boxes](QWidget *, const QString &) {
            return boxes->directory;
        };
        window->setDialogs(dialogs);
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }

    template<class T> T *find(const char *name) const
    {
        auto *child = window->findChild<T *>(QLatin1String(name));
        if (!child)
            qFatal("no control %s", name);
        return child;
    }

    QStringList logLines() const
    {
        return find<QTextEdit>("logView")->toPlainText().split(QLatin1Char('\n'));
    }
};

// A photo whose EXIF places it near Santiago de Chile (UTM zone 19H).
inline TestPhoto gpsPhoto(int widthPixels = 160, int heightPixels = 120)
{
    TestPhoto photo;
    photo.width = widthPixels;
    photo.height = heightPixels;
    photo.hasGps = true;
    photo.latitude = -33.45;
    photo.longitude = -70.66;
    photo.hasDirection = true;
    photo.direction = 45.0;
    photo.dateTimeOriginal = QStringLiteral("2024:03:05 10:00:00");
    return photo;
}

// Every file below `folder` by relative path, with its bytes.
inline QMap<QString, QByteArray> folderContents(const QString &folder)
{
    QMap<QString, QByteArray> contents;
    QDirIterator walk(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (walk.hasNext()) {
        const QString path = walk.next();
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        contents.insert(QDir(folder).relativeFilePath(path), file.readAll());
    }
    return contents;
}

#endif // WINDOWFIXTURE_H
