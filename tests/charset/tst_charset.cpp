#include "charset/charset.h"

#include <QTest>

#include <clocale>
#include <cstdlib>
#include <langinfo.h>

using Env = QList<std::pair<QByteArray, QByteArray>>;
Q_DECLARE_METATYPE(Env)

namespace {
const QByteArrayList kLocaleVariables{"LANG", "LANGUAGE", "LC_ALL", "LC_CTYPE", "LC_COLLATE", "LC_MESSAGES",
                                      "LC_MONETARY", "LC_NUMERIC", "LC_TIME", "LC_PAPER", "LC_NAME",
                                      "LC_ADDRESS", "LC_TELEPHONE", "LC_MEASUREMENT", "LC_IDENTIFICATION"};

bool localeExists(const char *name)
{
    const std::string saved = std::setlocale(LC_CTYPE, nullptr);
    const bool exists = std::setlocale(LC_CTYPE, name) != nullptr;
    std::setlocale(LC_CTYPE, saved.c_str());
    return exists;
}
} // namespace

// The character type is made UTF-8 for Qt, and nothing else of the user's locale changes.
class TestCharset : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void candidates_data();
    void candidates();
    void environment_data();
    void environment();

private:
    QList<std::pair<QByteArray, std::optional<QByteArray>>> m_saved;
};

void TestCharset::init()
{
    m_saved.clear();
    for (const QByteArray &name : kLocaleVariables) {
        m_saved.append({name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
        qunsetenv(name);
    }
    std::setlocale(LC_ALL, "C");
}

void TestCharset::cleanup()
{
    for (const auto &[name, value] : m_saved) {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    std::setlocale(LC_ALL, "");
}

void TestCharset::candidates_data()
{
    QTest::addColumn<QString>("ctype");
    QTest::addColumn<QStringList>("expected");
    const QStringList c{"C.UTF-8", "C.utf8"};
    QTest::newRow("C") << "C" << c;
    QTest::newRow("POSIX") << "POSIX" << c;
    QTest::newRow("a language in Latin-1") << "de_DE.ISO-8859-1" << QStringList{"de_DE.UTF-8"} + c;
    QTest::newRow("a variant") << "de_DE@euro" << QStringList{"de_DE.UTF-8"} + c;
    QTest::newRow("a language, no codeset") << "en_GB" << QStringList{"en_GB.UTF-8"} + c;
}

void TestCharset::candidates()
{
    QFETCH(QString, ctype);
    QFETCH(QStringList, expected);
    QStringList got;
    for (const std::string &candidate : charset::utf8Candidates(ctype.toStdString()))
        got << QString::fromStdString(candidate);
    QCOMPARE(got, expected);
}

void TestCharset::environment_data()
{
    QTest::addColumn<Env>("given");
    QTest::addColumn<Env>("expected"); // after the call; an empty value: unset
    QTest::addColumn<QByteArray>("numeric"); // the numbers' locale a program then gets

    QTest::newRow("no locale at all") << Env{} << Env{{"LC_CTYPE", "C.UTF-8"}, {"LC_ALL", ""}} << QByteArray("C");
    QTest::newRow("LANG=C") << Env{{"LANG", "C"}} << Env{{"LANG", "C"}, {"LC_CTYPE", "C.UTF-8"}} << QByteArray("C");
    QTest::newRow("LC_ALL=POSIX, as su - and cron give")
        << Env{{"LC_ALL", "POSIX"}}
        << Env{{"LC_ALL", ""}, {"LC_CTYPE", "C.UTF-8"}, {"LC_NUMERIC", "POSIX"}, {"LC_TIME", "POSIX"},
               {"LC_MESSAGES", "POSIX"}}
        << QByteArray("C");
    QTest::newRow("LC_CTYPE=C beside a UTF-8 LANG")
        << Env{{"LANG", "C.UTF-8"}, {"LC_CTYPE", "C"}} << Env{{"LANG", "C.UTF-8"}, {"LC_CTYPE", "C.UTF-8"}}
        << QByteArray("C.UTF-8");
    QTest::newRow("UTF-8 already: untouched")
        << Env{{"LC_ALL", "C.UTF-8"}} << Env{{"LC_ALL", "C.UTF-8"}, {"LC_CTYPE", ""}} << QByteArray("C.UTF-8");
    QTest::newRow("a locale the system lacks: left to Qt")
        << Env{{"LANG", "xx_NOWHERE.ISO-8859-1"}} << Env{{"LANG", "xx_NOWHERE.ISO-8859-1"}, {"LC_CTYPE", ""}}
        << QByteArray("C");
}

void TestCharset::environment()
{
    QFETCH(Env, given);
    QFETCH(Env, expected);
    QFETCH(QByteArray, numeric);
    if (!localeExists("C.UTF-8"))
        QSKIP("this system has no C.UTF-8 locale");
    for (const auto &[name, value] : given)
        qputenv(name, value);
    charset::useUtf8CharacterType();
    for (const auto &[name, value] : expected) {
        if (value.isEmpty())
            QVERIFY2(!qEnvironmentVariableIsSet(name), name.constData());
        else
            QCOMPARE(qgetenv(name), value);
    }
    // As Qt then reads the environment: nothing to warn about, unless nothing could be done.
    const bool found = std::setlocale(LC_ALL, "") != nullptr;
    QCOMPARE(found, !given.contains({"LANG", "xx_NOWHERE.ISO-8859-1"}));
    if (found)
        QCOMPARE(QByteArray(nl_langinfo(CODESET)), QByteArray("UTF-8"));
    QCOMPARE(QByteArray(std::setlocale(LC_NUMERIC, nullptr)), numeric);
}

QTEST_APPLESS_MAIN(TestCharset)
#include "tst_charset.moc"
