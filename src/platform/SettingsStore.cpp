#include "platform/SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QVariant>

namespace quillory {
namespace {

const QLatin1StringView kDwordMark("dword:");
const QLatin1StringView kStringMark("str:");

bool validName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

std::optional<std::uint32_t> parseDword(const QString& text)
{
    if (!text.startsWith(kDwordMark))
        return std::nullopt;
    QStringView digits = QStringView(text).mid(kDwordMark.size());
    if (digits.isEmpty() || digits.size() > 8)
        return std::nullopt;
    bool ok = false;
    uint v = digits.toUInt(&ok, 16);
    if (!ok)
        return std::nullopt;
    return std::uint32_t(v);
}

} // namespace

SettingsStore::SettingsStore(const QString& iniPath)
    : settings_(std::make_shared<QSettings>(iniPath, QSettings::IniFormat))
{
    settings_->setFallbacksEnabled(false);
}

SettingsStore::SettingsStore(std::shared_ptr<QSettings> settings, QString group)
    : settings_(std::move(settings)), group_(std::move(group))
{
}

SettingsStore::~SettingsStore() = default;
SettingsStore::SettingsStore(SettingsStore&&) noexcept = default;
SettingsStore& SettingsStore::operator=(SettingsStore&&) noexcept = default;

QString SettingsStore::path() const
{
    return settings_->fileName();
}

SettingsStore SettingsStore::subkey(const QString& name) const
{
    return SettingsStore(settings_, validName(name) ? group_ + name + QLatin1Char('/') : group_);
}

QString SettingsStore::key(const QString& name) const
{
    return group_ + name;
}

bool SettingsStore::contains(const QString& name) const
{
    return validName(name) && settings_->contains(key(name));
}

SettingKind SettingsStore::kindOf(const QString& name) const
{
    if (!contains(name))
        return SettingKind::None;
    QVariant v = settings_->value(key(name));
    switch (v.metaType().id()) {
    case QMetaType::QByteArray:
        return SettingKind::Binary;
    case QMetaType::QString:
        return parseDword(v.toString()) ? SettingKind::Dword : SettingKind::String;
    case QMetaType::QStringList: // a hand-edited line with commas
        return SettingKind::String;
    default:
        return SettingKind::None;
    }
}

QStringList SettingsStore::valueNames() const
{
    QStringList out;
    const QStringList keys = settings_->allKeys();
    for (const QString& k : keys) {
        if (!k.startsWith(group_))
            continue;
        QString rest = k.mid(group_.size());
        if (!rest.contains(QLatin1Char('/')))
            out.push_back(rest);
    }
    return out;
}

std::optional<bool> SettingsStore::readBool(const QString& name) const
{
    std::optional<int> v = readInt(name);
    if (!v)
        return std::nullopt;
    return *v != 0;
}

std::optional<int> SettingsStore::readInt(const QString& name) const
{
    if (!contains(name))
        return std::nullopt;
    QVariant v = settings_->value(key(name));
    if (v.metaType().id() != QMetaType::QString)
        return std::nullopt;
    std::optional<std::uint32_t> d = parseDword(v.toString());
    if (!d)
        return std::nullopt;
    return int(*d);
}

std::optional<QString> SettingsStore::readString(const QString& name) const
{
    if (!contains(name))
        return std::nullopt;
    QVariant v = settings_->value(key(name));
    if (v.metaType().id() == QMetaType::QStringList)
        return v.toStringList().join(QStringLiteral(", "));
    if (v.metaType().id() != QMetaType::QString)
        return std::nullopt;
    QString s = v.toString();
    if (parseDword(s))
        return std::nullopt;
    if (s.startsWith(kStringMark))
        s.remove(0, kStringMark.size());
    return s;
}

std::optional<QByteArray> SettingsStore::readBinary(const QString& name) const
{
    if (!contains(name))
        return std::nullopt;
    QVariant v = settings_->value(key(name));
    if (v.metaType().id() != QMetaType::QByteArray)
        return std::nullopt;
    return v.toByteArray();
}

std::optional<QString> SettingsStore::readWidePath(const QString& name) const
{
    QString path;
    if (std::optional<QByteArray> b = readBinary(name))
        path = decodeWideText(*b);
    else if (std::optional<QString> s = readString(name))
        path = *s;
    else
        return std::nullopt;
    if (path.isEmpty() || !QFileInfo::exists(path))
        return QString();
    return path;
}

void SettingsStore::writeBool(const QString& name, bool value)
{
    writeInt(name, value ? 1 : 0);
}

void SettingsStore::writeInt(const QString& name, int value)
{
    if (!validName(name))
        return;
    settings_->setValue(key(name), kDwordMark + QStringLiteral("%1").arg(std::uint32_t(value), 8, 16,
                                                                       QLatin1Char('0')));
}

void SettingsStore::writeString(const QString& name, const QString& value)
{
    if (!validName(name))
        return;
    // Marked only when the plain text would read back as something else.
    bool mark = value.startsWith(kDwordMark) || value.startsWith(kStringMark);
    settings_->setValue(key(name), mark ? kStringMark + value : value);
}

void SettingsStore::writeBinary(const QString& name, const QByteArray& value)
{
    if (!validName(name))
        return;
    settings_->setValue(key(name), value);
}

void SettingsStore::writeWidePath(const QString& name, const QString& path)
{
    writeBinary(name, encodeWideText(path));
}

void SettingsStore::remove(const QString& name)
{
    if (validName(name))
        settings_->remove(key(name));
}

bool SettingsStore::sync()
{
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

QString defaultSettingsPath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    // The base directory specification ignores relative values.
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(base) + QStringLiteral("/Morva/Quillory.ini");
}

QByteArray encodeWideText(const QString& text)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    for (QChar c : text) {
        char16_t u = c.unicode();
        out.append(char(u & 0xFF));
        out.append(char(u >> 8));
    }
    return out;
}

QString decodeWideText(const QByteArray& bytes)
{
    QString out;
    const qsizetype units = bytes.size() / 2;
    out.reserve(units);
    for (qsizetype i = 0; i < units; ++i) {
        char16_t u = char16_t(std::uint8_t(bytes[2 * i]) | (std::uint8_t(bytes[2 * i + 1]) << 8));
        if (u == 0) // older values may carry their terminator
            break;
        out.append(QChar(u));
    }
    return out;
}

} // namespace quillory
