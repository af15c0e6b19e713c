// The stand-in python38.dll that module_loader loads the module against.
// python38-stub.def (made by cmake/BrondelWindowsPython.cmake) exports every
// function name of the real DLL's C-API as an alias of
// brondel_stub_function and every data name as an alias of
// brondel_stub_data. Nothing may call into it: the stand-in only lets
// Windows resolve the module's imports.
#include <cstdlib>

extern "C" {

void brondel_stub_function() {
    std::abort();
}

char brondel_stub_data[1];

}  // extern "C"
