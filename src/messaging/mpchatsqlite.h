// Chat history store of one PBX user ("chat.db" in the settings directory).
// This holds the interface the main window uses.
#pragma once

#include <QString>

class MPChatSqlite
{
public:
    MPChatSqlite(const QString &file, const QString &user, const QString &pbxAddress);

    QString fileName() const { return m_file; }
    QString user() const { return m_user; }
    QString pbxAddress() const { return m_pbxAddress; }

private:
    QString m_file;
    QString m_user;
    QString m_pbxAddress;
};
