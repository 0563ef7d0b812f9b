#pragma once
#include <QCoreApplication>
#include <QFile>
#include <QString>

#include <dlfcn.h>

// A system library that only one feature uses (the computer voice, sharing a test),
// loaded the first time that feature runs instead of at every start: each library the
// program links is loaded and relocated before its first window can be drawn.
//
// The convention: the feature keeps its own class and header; its .cpp includes the
// library's header for the types and declares a struct of the functions it calls, each
// typed as decltype(&function). A function-local static fills that struct once (the
// first caller, thread-safely) with LazyLibrary::open and bind, and every call goes
// through it. When the library is missing the feature fails with LazyLibrary's reason,
// as it fails for any other reason; the program itself runs on. The library is named by
// its run-time name (its soname, "libarchive.so.13"), which the package depends on by
// name (cmake/package.cmake), since the package tools only see what is linked.
//
// Code of the program's own that needs a C++ library no start needs (Qt Charts for the
// progress report) is a MODULE library of its own, staged and installed beside the
// executable: it links Qt and that library but none of the program's own libraries, and
// exports one extern "C" function that returns an abstract interface declared in a
// header of the feature's folder (authoring/reportmodule.h). It is loaded by its full
// path, modulePath(file), never through a search path.
class LazyLibrary
{
  public:
    // Loads soname with its dependencies, never to be unloaded.
    explicit LazyLibrary(const char *soname)
    {
        m_handle = ::dlopen(soname, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        if (!m_handle)
            m_error = QString::fromLocal8Bit(::dlerror());
    }

    // Points function at the library's symbol name (of that type); false, with the
    // reason in errorString(), when the library or the symbol is missing.
    template <class T> bool bind(T *&function, const char *name)
    {
        function = nullptr;
        if (!m_handle)
            return false;
        function = reinterpret_cast<T *>(::dlsym(m_handle, name));
        if (!function && m_error.isEmpty())
            m_error = QString::fromLocal8Bit(::dlerror());
        return function != nullptr;
    }

    // Where the program's own module file is: beside the executable, or in the folder a
    // test or bench outside the program folder named with setModuleFolder.
    static QString modulePath(const QString &file)
    {
        const QString folder = moduleFolder().isEmpty() ? QCoreApplication::applicationDirPath() : moduleFolder();
        return folder + QLatin1Char('/') + file;
    }
    static void setModuleFolder(const QString &folder) { moduleFolder() = folder; }

    bool isLoaded() const { return m_handle != nullptr && m_error.isEmpty(); }
    QString errorString() const { return m_error; }

  private:
    static QString &moduleFolder()
    {
        static QString folder;
        return folder;
    }

    void *m_handle = nullptr;
    QString m_error;
};
