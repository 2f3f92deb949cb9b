#pragma once
// The per-user settings key, kept in an INI file through QSettings. Values keep
// the four kinds of the original key apart: Integer (a 32-bit DWORD, also used for
// Bool), String and Binary. In the file a DWORD reads "dword:0000000a" (as a
// registry export writes it), Binary is QSettings' "@ByteArray(...)", and a String
// is its plain text; a String that would look like a DWORD is written behind a
// "str:" mark so that it reads back as a String.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QSettings;

namespace quillory {

enum class SettingKind { None, Dword, String, Binary };

class SettingsStore {
public:
    // Opens (or, on the first write, creates) the INI file at iniPath.
    explicit SettingsStore(const QString& iniPath);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;
    SettingsStore(SettingsStore&&) noexcept;
    SettingsStore& operator=(SettingsStore&&) noexcept;

    QString path() const;
    // A subkey ("sub") of this key: the same file, names kept in their own group.
    SettingsStore subkey(const QString& name) const;

    // Value names are used exactly as given; names holding "/" or "\" are refused
    // (QSettings would take them as groups) and read as absent.
    bool contains(const QString& name) const;
    SettingKind kindOf(const QString& name) const;
    QStringList valueNames() const;

    // Each read is empty when the value is absent or of another kind.
    std::optional<bool> readBool(const QString& name) const;        // DWORD, non-zero = true
    std::optional<int> readInt(const QString& name) const;          // DWORD as signed 32 bits
    std::optional<QString> readString(const QString& name) const;
    std::optional<QByteArray> readBinary(const QString& name) const;
    // A folder path: Binary holding UTF-16LE (what writeWidePath writes) or a plain
    // String (older files). Present but naming nothing that exists any more: "".
    std::optional<QString> readWidePath(const QString& name) const;

    void writeBool(const QString& name, bool value);
    void writeInt(const QString& name, int value);
    void writeString(const QString& name, const QString& value);
    void writeBinary(const QString& name, const QByteArray& value);
    void writeWidePath(const QString& name, const QString& path);
    void remove(const QString& name);

    // Writes pending changes to the file; false when the file could not be written
    // or read back as INI.
    bool sync();

private:
    SettingsStore(std::shared_ptr<QSettings> settings, QString group);
    QString key(const QString& name) const;

    std::shared_ptr<QSettings> settings_;
    QString group_; // "" or "name/"
};

// $XDG_CONFIG_HOME/Morva/Quillory.ini ($XDG_CONFIG_HOME defaults to ~/.config).
QString defaultSettingsPath();

// UTF-16LE bytes without terminator, the way wide paths are stored, and back.
QByteArray encodeWideText(const QString& text);
QString decodeWideText(const QByteArray& bytes);

} // namespace quillory
