// An argv built from texts (program path first), alive as long as the object.
#pragma once

#include <QByteArray>
#include <QStringList>

#include <vector>

class ArgvBuilder
{
public:
    explicit ArgvBuilder(const QStringList &args)
    {
        m_storage.push_back(QByteArray("deskline"));
        for (const QString &a : args)
            m_storage.push_back(a.toUtf8());
        for (QByteArray &b : m_storage)
            m_ptrs.push_back(b.data());
        m_ptrs.push_back(nullptr);
    }
    ArgvBuilder(const ArgvBuilder &) = delete;
    ArgvBuilder &operator=(const ArgvBuilder &) = delete;

    int argc() const { return int(m_storage.size()); }
    char **argv() { return m_ptrs.data(); }

private:
    std::vector<QByteArray> m_storage;
    std::vector<char *> m_ptrs;
};
