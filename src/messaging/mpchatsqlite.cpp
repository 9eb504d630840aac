#include "mpchatsqlite.h"

MPChatSqlite::MPChatSqlite(const QString &file, const QString &user, const QString &pbxAddress)
    : m_file(file), m_user(user), m_pbxAddress(pbxAddress)
{
}
