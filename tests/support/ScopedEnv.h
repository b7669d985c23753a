#pragma once
// Sets (or, given nullptr, unsets) an environment variable for one test and puts back what
// was there, so that no test reaches the real home folder.

#include <QByteArray>
#include <QtGlobal>

namespace quenno::test {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        if (value)
            qputenv(name, value);
        else
            qunsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

}  // namespace quenno::test
