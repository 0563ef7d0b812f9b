// Listing speed of the test library, on large program folders made for the run:
//   LoadWordList on a test of 10,000 word files, and LoadTests (TestLibrary::listTests
//   followed by fillTestList into a sorted list, as the start window does) over 5,000
//   test folders, with the two halves timed apart and at several sizes so the growth
//   shows. Target: under 50 ms for each whole listing.
//
//   bench_listing --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include "core/platform/appcontext.h"
#include "core/platform/dirsearch.h"
#include "core/platform/testlibrary.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>

#include <dirent.h>

namespace
{

// One folder per run of the executable: N test folders "Test_00000".. and one test
// "Test_Words" holding 10,000 word files. Files are empty: listing reads names only.
class Library
{
  public:
    static Library &get()
    {
        static Library lib;
        return lib;
    }
    QString appDir(int tests)
    {
        const QString dir = m_root.path() + QStringLiteral("/tests%1/").arg(tests);
        if (!QDir(dir).exists()) {
            QDir().mkpath(dir);
            for (int i = 0; i < tests; ++i)
                QDir(dir).mkdir(QStringLiteral("Test_%1").arg(i, 5, 10, QLatin1Char('0')));
        }
        return dir;
    }
    QString wordDir(int words)
    {
        const QString dir = m_root.path() + QStringLiteral("/words%1/Test_Words/").arg(words);
        if (!QDir(dir).exists()) {
            QDir().mkpath(dir);
            for (int i = 0; i < words; ++i) {
                QFile f(dir + QStringLiteral("word%1.wav").arg(i, 5, 10, QLatin1Char('0')));
                f.open(QIODevice::WriteOnly);
            }
        }
        return dir;
    }

  private:
    QTemporaryDir m_root;
};

void BM_LoadWordList(benchmark::State &state)
{
    const int words = int(state.range(0));
    const QString testDir = Library::get().wordDir(words);
    QListWidget list;
    for (auto _ : state)
        Module1::LoadWordList(&list, testDir);
    if (list.count() != words)
        state.SkipWithError("wrong number of words listed");
    state.SetComplexityN(words);
}
BENCHMARK(BM_LoadWordList)->Arg(10000)->Unit(benchmark::kMillisecond);

// Its parts: the directory search alone, then the search with the names cut to words.
void BM_FindWaveFiles(benchmark::State &state)
{
    const QString dir = Library::get().wordDir(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(DirSearch::find(dir, QStringLiteral("*.wav"), DirSearch::Kind::FilesOnly));
}
BENCHMARK(BM_FindWaveFiles)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_WordsOf(benchmark::State &state)
{
    const QString dir = Library::get().wordDir(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(TestLibrary::wordsOf(dir));
}
BENCHMARK(BM_WordsOf)->Arg(10000)->Unit(benchmark::kMillisecond);

// For comparison: the bare listing of the folder by QDir, names only, unsorted.
void BM_QDirEntryList(benchmark::State &state)
{
    const QDir dir(Library::get().wordDir(int(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(dir.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort));
}
BENCHMARK(BM_QDirEntryList)->Arg(10000)->Unit(benchmark::kMillisecond);

// For comparison: the same names read with readdir(), whose entry types need no stat().
void BM_Readdir(benchmark::State &state)
{
    const QByteArray dir = QFile::encodeName(Library::get().wordDir(int(state.range(0))));
    for (auto _ : state) {
        QStringList names;
        if (DIR *d = opendir(dir.constData())) {
            while (const dirent *e = readdir(d)) {
                if (e->d_type == DT_REG && e->d_name[0] != '.')
                    names << QFile::decodeName(e->d_name);
            }
            closedir(d);
        }
        std::sort(names.begin(), names.end(), DirSearch::lessIgnoringCase);
        benchmark::DoNotOptimize(names);
    }
}
BENCHMARK(BM_Readdir)->Arg(10000)->Unit(benchmark::kMillisecond);

// The start window's LoadTests: search the folder, then rebuild the sorted list.
void BM_LoadTests(benchmark::State &state)
{
    const int tests = int(state.range(0));
    const QString dir = Library::get().appDir(tests);
    QListWidget list;
    for (auto _ : state) {
        const QStringList names = TestLibrary::listTests(dir);
        TestLibrary::fillTestList(&list, names);
        list.setCurrentRow(0);
    }
    if (list.count() != tests)
        state.SkipWithError("wrong number of tests listed");
    state.SetComplexityN(tests);
}
BENCHMARK(BM_LoadTests)->Arg(625)->Arg(1250)->Arg(2500)->Arg(5000)->Unit(benchmark::kMillisecond)->Complexity();

// The directory search alone.
void BM_ListTests(benchmark::State &state)
{
    const QString dir = Library::get().appDir(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(TestLibrary::listTests(dir));
}
BENCHMARK(BM_ListTests)->Arg(5000)->Unit(benchmark::kMillisecond);

// The list filling alone, from names already found.
void BM_FillTestList(benchmark::State &state)
{
    const QStringList names = TestLibrary::listTests(Library::get().appDir(int(state.range(0))));
    QListWidget list;
    for (auto _ : state)
        TestLibrary::fillTestList(&list, names);
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_FillTestList)->Arg(625)->Arg(1250)->Arg(2500)->Arg(5000)->Unit(benchmark::kMillisecond)->Complexity();

// The authoring window adds one name at a time with addSorted: the same list built
// that way, name by name.
void BM_AddSorted_OneByOne(benchmark::State &state)
{
    const QStringList names = TestLibrary::listTests(Library::get().appDir(int(state.range(0))));
    QListWidget list;
    for (auto _ : state) {
        list.clear();
        for (const QString &name : names)
            TestLibrary::addSorted(&list, name);
    }
}
BENCHMARK(BM_AddSorted_OneByOne)->Arg(5000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
