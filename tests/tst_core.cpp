// The program's rules for text and numbers (reading, rounding, the number
// formats, blanks and tokens, file filters, unit addresses, arrivals cut into
// lines, the rate arithmetic) and its notion of a window becoming active.

#include "core/activation.h"
#include "core/form.h"
#include "core/numbers.h"
#include "core/prompt.h"
#include "core/registry.h"
#include "replies/settings.h"
#include "session/connection.h"
#include "session/mainform.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QtTest>

// Windows that count their activations.
class Counted : public Form {
    Q_OBJECT
public:
    int activations = 0;

protected:
    void onActivate() override { ++activations; }
};

class Other : public Counted {
    Q_OBJECT
};

namespace {

// A rule applied to a text, its result as text. "fixed:<format>" is
// FormatFixed with that format; "tokens" gives the token count and the
// tokens up to the last non-empty one; "arrival" the line count and lines.
QString Apply(const QString& rule, const QString& in) {
    const QStringList args = in.split(QLatin1Char(' '));
    const auto number = [](double v) { return QString::number(v, 'g', 15); };
    if (rule == QLatin1String("number"))
        return number(LeadingNumber(in));
    if (rule == QLatin1String("single"))
        return number(LeadingSingle(in));
    if (rule == QLatin1String("int16"))
        return number(ToInt16(in.toDouble()));
    if (rule == QLatin1String("general"))
        return FormatGeneral(in.toFloat());
    if (rule == QLatin1String("boxed"))
        return FormatGeneralBlank(in.toFloat());
    if (rule.startsWith(QLatin1String("fixed:")))
        return FormatFixed(in.toDouble(), rule.mid(6));
    if (rule == QLatin1String("trim"))
        return TrimBlanks(in);
    if (rule == QLatin1String("filter"))
        return QtFilterFromProgramFilter(in);
    if (rule == QLatin1String("address")) {
        const UnitAddress a = ParseUnitAddress(in);
        return a.host + QLatin1Char(' ') + QString::number(a.port);
    }
    if (rule == QLatin1String("rate"))
        return number(Global::CalcFrameRate(args[0].toShort(), args[1].toFloat()));
    if (rule == QLatin1String("averages"))
        return number(Global::AveragesForRate(args[0].toFloat(), args[1].toFloat()));
    QStringList t;
    const QByteArray bytes = in.toLatin1();
    if (rule == QLatin1String("tokens")) {
        t = SplitTokens(QLatin1String(bytes));
    } else {
        for (const QByteArrayView line : Main::ArrivalLines(bytes))
            t << QString::fromLatin1(line.data(), line.size());
    }
    const int count = t.size();
    while (rule == QLatin1String("tokens") && !t.isEmpty() && t.last().isEmpty())
        t.removeLast();
    return QString::number(count) + QLatin1Char(':') + t.join(QLatin1Char('|'));
}

} // namespace

class TestCore : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        Registry::unloadAll();
        Activation::reset();
    }

    void rulesGiveTheirResults_data() {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        // Cases as "in=out", separated by "#".
        const char* rules[][2] = {
            // The longest leading number after blanks; none reads as 0.
            {"number", "=0#7x=7#abc=0#x7=0#-3=-3#+4=4#-=0#.5=0.5#1 2=1#1.5E3=1500#2e-2=0.02#"
                       "1.5E=1.5#8E+x=8#12.34.56=12.34#   12.5 kPa=12.5#103.4214psi=103.4214"},
            {"single", "12.5x=12.5#1e300=inf#-1e300=-inf"},
            // Halves to even; clamped to 16 bits, NaN gives 0.
            {"int16", "6.5=6#7.5=8#0.5=0#-2.5=-2#-3.5=-4#2.4999=2#2.5001=3#-7.6=-8#32767.6=32767#"
                      "40000=32767#inf=32767#-32768.6=-32768#-1e30=-32768#-inf=-32768#nan=0"},
            // Seven significant digits, no zero before the point, exponents.
            {"general", "0.5=.5#-0.25=-.25#0=0#100=100#15.625=15.625#103.4214=103.4214#"
                        "0.33333333=.3333333#0.66666667=.6666667#1234567=1234567#"
                        "12345678=1.234568E+07#0.0001=.0001#0.00001=1E-05#2.5e-7=2.5E-07#"
                        "1e20=1E+20#-3.5e9=-3.5E+09#0.1=.1"},
            {"boxed", "0.5= .5#0= 0#-3=-3#12345678= 1.234568E+07"},
            // Fixed decimals, halves away from zero, no "-0".
            {"fixed:0", "1.234567=1#2.5=3#-2.5=-3"},
            {"fixed:0.0", "1.234567=1.2#123456.789=123456.8"},
            {"fixed:0.00", "2=2.00#0.125=0.13#9.9999=10.00#-0.001=0.00"},
            {"fixed:0.000", "1.234567=1.235"},
            {"fixed:0.0000", "-12.345678=-12.3457"},
            {"fixed:0.00000", "1.234567=1.23457"},
            {"trim", " a b =a b#   =# \t2\t =\t2\t"},
            // Every single blank splits; only blanks split.
            {"tokens", "SET PERIOD 500=101:SET|PERIOD|500#=101:# 3  15.625 =101:|3||15.625#"
                       "A\tB C=101:A\tB|C"},
            // Cut at CR LF, the piece after the last one dropped.
            {"arrival", "a\rb\nc\r\n\r\nrest=2:a\rb\nc|#no end=0:"},
            {"filter",
             "Text Files|*.txt=Text Files (*.txt)#"
             "Log Files (*.log)|*.log|All Files (*.*)|*.*=Log Files (*.log);;All Files (*.*)#"
             "Sensor Files|*.spf;*.txt=Sensor Files (*.spf *.txt)#*.csv=*.csv#="},
            // "host:port" for a port 1 to 65535; anything else is a host on 23.
            {"address", "192.168.1.50=192.168.1.50 23#127.0.0.1:2323=127.0.0.1 2323#"
                        "rig:65535=rig 65535#rig:0=rig:0 23#rig:65536=rig:65536 23#"
                        "rig:telnet=rig:telnet 23#fe80::1=fe80::1 23"},
            // Averages and period in us, 16 channels to a frame.
            {"rate", "1 50=1250#0 500=0#1 49.9=0#8 1e40=0"},
            {"averages", "500 125=1#49.9 125=0#1000 10=6#500 0=0#500 0.0001=32767#"
                         "500 -0.0001=-32768"}};
        for (const auto& [rule, cases] : rules)
            for (const QString& c : QString::fromLatin1(cases).split(QLatin1Char('#')))
                QTest::addRow("%s %s", rule, qPrintable(c.section('=', 0, 0)))
                    << QString::fromLatin1(rule) << c.section('=', 0, 0) << c.section('=', 1);
        QStringList pieces;
        for (int i = 0; i < 150; ++i)
            pieces << QString::number(i);
        QTest::newRow("tokens beyond the table")
            << "tokens" << pieces.join(QLatin1Char(' ')) << "101:" + pieces.mid(0, 101).join('|');
    }
    void rulesGiveTheirResults() {
        QFETCH(QString, rule);
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(Apply(rule, in), out);
    }

    void onlyArrivingFromAnotherProgramWindowIsAnActivation() {
        Counted& a = Registry::get<Counted>();
        Other& b = Registry::get<Other>();
        QMessageBox box;
        QMainWindow frame;
        // Back from a message box or another application is no activation;
        // the frame window is a window of the program.
        for (QWidget* w : QList<QWidget*>{&a, &b, &a, &box, &a, nullptr, &a, &frame, &a})
            Activation::windowActivated(w);
        QCOMPARE(a.activations, 3);
        QCOMPARE(b.activations, 1);
        QCOMPARE(Activation::lastProgramWindow(), &a);
        // Showing a form makes it active through the window system.
        for (Form* form : QList<Form*>{&b, &a, &b}) {
            form->showForm();
            QVERIFY(QTest::qWaitForWindowActive(form));
        }
        QCOMPARE(a.activations, 4);
        QCOMPARE(b.activations, 3);
    }
};

QTEST_MAIN(TestCore)
#include "tst_core.moc"
