// module_loader: loads a Python extension module into a Windows process and
// looks up its entry point, without calling it.
//
//   module_loader PATH\TO\brondel.cp38-win_amd64.pyd
//
// Windows resolves every import of the module at load time, so a successful
// LoadLibrary proves that each DLL and symbol it imports is found. The
// python38.dll it finds is the stand-in built next to this program (its
// functions abort), which is why the entry point is only looked up: PyInit_
// and the module's name, the file name up to its first dot.
// Exit status: 0 when the entry point was found, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: module_loader MODULE\n");
        return 1;
    }
    HMODULE module = LoadLibraryA(argv[1]);
    if (module == nullptr) {
        std::fprintf(stderr, "LoadLibrary(%s) failed with error %u\n", argv[1],
                     static_cast<unsigned int>(GetLastError()));
        return 1;
    }
    std::string name = argv[1];
    name = name.substr(name.find_last_of("/\\") + 1);
    const std::string entry_name = "PyInit_" + name.substr(0, name.find('.'));
    FARPROC entry = GetProcAddress(module, entry_name.c_str());
    if (entry == nullptr) {
        std::fprintf(stderr, "%s not found in %s\n", entry_name.c_str(), argv[1]);
        return 1;
    }
    std::printf("%s found in %s\n", entry_name.c_str(), argv[1]);
    FreeLibrary(module);
    return 0;
}
