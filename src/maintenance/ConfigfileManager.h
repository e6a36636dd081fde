#pragma once

#include <QDateTime>
#include <QDomDocument>
#include <QObject>
#include <QSharedPointer>
#include <QString>
#include <QStringList>

#include <functional>

// Copies the device configuration file to the USB stick and brings a configuration
// file from the stick back into the instrument. Lives on the GUI thread; every
// operation blocks its caller until it is done.
class InstrumentEntries;

class ConfigfileManager : public QObject {
    Q_OBJECT
public:
    // Moments at which a hook may run; only AfterImport is used.
    enum HookAction : int {
        AfterImport = 0,
    };
    Q_ENUM(HookAction)

    // Runs after an import, once the configuration store has been saved.
    class HookFunction {
    public:
        virtual ~HookFunction();
        virtual void execute() = 0;
    };

    // Outcome of replaceDeviceConfiguration.
    enum ReplaceResult : int {
        Replaced = 0, // new file in place and read
        Invalid = 1,  // file unreadable, not XML or not a configuration of this instrument; nothing changed
        Failed = 2,   // file could not be put in place or read; the previous configuration is kept
        OtherInstrument = 3, // a start-up backup naming another serial number; nothing changed
    };
    Q_ENUM(ReplaceResult)

    explicit ConfigfileManager(QObject* parent = nullptr);
    ~ConfigfileManager() override;

    // Appends the base name (without ".cfg.xml") of every file "<filter>.cfg.xml" in the
    // stick's updates folder; 0 when at least one was found, else -1.
    int readConfigFileList(QStringList& list, const QString& filter);

    void registerHook(HookAction action, const QSharedPointer<HookFunction>& hook);
    void unregisterHook(HookAction action);

    // Checks file and puts it in place of the device configuration without a power-cut
    // window, then re-reads the configuration store. Values outside their bounds, the ones
    // only the instrument itself may set and, unless the service lock is open, its identity
    // and service keys are not taken; the log says how many. A start-up backup must name
    // this instrument's serial number, or any while it has none, which it then takes. Shows nothing.
    ReplaceResult replaceDeviceConfiguration(const QString& file, bool startUpBackup = false);

    // The configuration store's file, "<config dir>/<APP>.cfg.xml" with the name the
    // store was made with.
    QString deviceFilePath() const;
    // The root name an imported file must carry: the store's.
    QString deviceRootName() const;

    // Clears what an import cut short by a power cut left beside the device file: the
    // previous configuration comes back when the device file is missing, the rest goes.
    // Returns the number of files removed or put back.
    static int removeUnfinishedImport();

    // The clock that names an export (local time).
    void setClock(std::function<QDateTime()> clock);

public slots:
    // Path of the exported file as the user reads it ("USB/..."), empty on failure. The
    // operator's export is told by configExported once it has been shown for a second;
    // another one meanwhile is refused. A quiet one (the update's backup) is neither.
    QString exportConfigFile(const QString& fileNameTag = QString(), bool quiet = false);
    // 0 after a successful import (which reboots the instrument), -1 otherwise.
    int importConfigFile(QString configFile = QString(), bool removeAtfterUpdate = false);

protected:
    bool validateConfigFile(QDomDocument document);
    QString doExport(QString fileNameTag);
    bool reinitConfigFile();
    // Moves a finished file over its target in one step.
    virtual bool replaceFile(const QString& from, const QString& to);

signals:
    // The operator's export ended: the path as the user reads it, empty on failure.
    void configExported(QString path);

private:
    // The file an import name stands for; empty when the name leaves the updates folder.
    QString resolveImportFile(const QString& name) const;
    // Reads a plain file of bounded size once and parses it; bytes keeps what was read.
    bool readDocument(const QString& file, QDomDocument& document, QByteArray* bytes);
    QString displayPath(const QString& path) const;
    void admitImportedValues(InstrumentEntries& entries);
    void showMessage(int category, const QString& key, bool okButton);

    const QString m_applicationName;
    QSharedPointer<HookFunction> m_hook;
    std::function<QDateTime()> m_clock;
    bool m_exportShown = false;
};
