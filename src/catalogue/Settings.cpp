#include "Settings.h"

#include "Profile.h"
#include "ProgramFolder.h"

namespace flk {

namespace {

const QString kPosition = QStringLiteral("Position");

// The one reader and the one writer of the table's keys, by type.
bool ReadKey(const char* section, const char* key, bool def)
{
    return Settings::readBool(QLatin1String(section), QLatin1String(key), def);
}

int ReadKey(const char* section, const char* key, int def)
{
    return Settings::readInteger(QLatin1String(section), QLatin1String(key), def);
}

QString ReadKey(const char* section, const char* key, const QString& def)
{
    return Settings::readString(QLatin1String(section), QLatin1String(key), def);
}

void WriteKey(const char* section, const char* key, bool value)
{
    Settings::writeBool(QLatin1String(section), QLatin1String(key), value);
}

void WriteKey(const char* section, const char* key, int value)
{
    Settings::writeInteger(QLatin1String(section), QLatin1String(key), value);
}

void WriteKey(const char* section, const char* key, const QString& value)
{
    Settings::writeString(QLatin1String(section), QLatin1String(key), value);
}

} // namespace

QString Settings::FileName()
{
    return ProgramFolder() + QStringLiteral("dlmain.ini");
}

QString Settings::readString(const QString& section, const QString& key, const QString& def)
{
    return Profile(FileName()).readString(section, key, def);
}

int Settings::readInteger(const QString& section, const QString& key, int def)
{
    return Profile(FileName()).readInteger(section, key, def);
}

bool Settings::readBool(const QString& section, const QString& key, bool def)
{
    return Profile(FileName()).readBool(section, key, def);
}

void Settings::writeString(const QString& section, const QString& key, const QString& value)
{
    Profile(FileName()).writeString(section, key, value);
}

void Settings::writeInteger(const QString& section, const QString& key, int value)
{
    Profile(FileName()).writeInteger(section, key, value);
}

void Settings::writeBool(const QString& section, const QString& key, bool value)
{
    Profile(FileName()).writeBool(section, key, value);
}

bool Settings::valueExists(const QString& section, const QString& key)
{
    return Profile(FileName()).valueExists(section, key);
}

void Settings::deleteKey(const QString& section, const QString& key)
{
    Profile(FileName()).deleteKey(section, key);
}

#define FLK_SETTING_DEFINE(type, name, section, key, def)                                                    \
    type Settings::name()                                                                                    \
    {                                                                                                        \
        return ReadKey(section, key, type(def));                                                             \
    }                                                                                                        \
    type Settings::name(const type& otherDefault)                                                            \
    {                                                                                                        \
        return ReadKey(section, key, otherDefault);                                                          \
    }                                                                                                        \
    void Settings::Set##name(const type& value)                                                              \
    {                                                                                                        \
        WriteKey(section, key, value);                                                                       \
    }
FLK_SETTINGS(FLK_SETTING_DEFINE)
#undef FLK_SETTING_DEFINE

#define FLK_SETTING_DEFINE_ALIAS(type, name, section, key, def)                                              \
    type Settings::name()                                                                                    \
    {                                                                                                        \
        return ReadKey(section, key, type(def));                                                             \
    }
FLK_SETTING_ALIASES(FLK_SETTING_DEFINE_ALIAS)
#undef FLK_SETTING_DEFINE_ALIAS

int Settings::Top(int screenHeight)
{
    return readInteger(kPosition, QStringLiteral("Top"), screenHeight / 2);
}

int Settings::Left(int screenHeight)
{
    // The screen height, not its width: that is where the window has always
    // been put.
    return readInteger(kPosition, QStringLiteral("Left"), screenHeight / 2 - 210);
}

void Settings::SetTop(int value)
{
    writeInteger(kPosition, QStringLiteral("Top"), value);
}

void Settings::SetLeft(int value)
{
    writeInteger(kPosition, QStringLiteral("Left"), value);
}

void Settings::SetPosition(int width, int height, int top, int left)
{
    Profile p(FileName());
    p.writeInteger(kPosition, QStringLiteral("Width"), width);
    p.writeInteger(kPosition, QStringLiteral("Height"), height);
    p.writeInteger(kPosition, QStringLiteral("Top"), top);
    p.writeInteger(kPosition, QStringLiteral("Left"), left);
}

} // namespace flk
