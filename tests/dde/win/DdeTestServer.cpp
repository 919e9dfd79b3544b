// A spreadsheet's side of DDE for the tests: serves the service "Excel" on the topic
// "[Book1]Sheet1" and writes one line per thing it receives to the file named first:
//   EXECUTE <command>
//   POKE <item> <text, with tab and line ends as \t \r \n>
// After the number of executes named second (0: never) it ends its conversations and quits.
// "READY" is written once the service is registered.
#include <windows.h>
// (after windows.h)
#include <ddeml.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

DWORD instance = 0;
FILE* out = nullptr;
int executesLeft = 0;
bool quitting = false;  // its executes ran out: it refuses what comes after

std::string Text(HSZ name) {
    char text[256] = {};
    DdeQueryStringA(instance, name, text, sizeof text, CP_WINANSI);
    return text;
}

std::string Data(HDDEDATA data) {
    const DWORD size = DdeGetData(data, nullptr, 0, 0);
    std::string bytes(size, '\0');
    DdeGetData(data, reinterpret_cast<LPBYTE>(bytes.data()), size, 0);
    bytes.resize(bytes.find('\0') == std::string::npos ? size : bytes.find('\0'));
    return bytes;
}

void Line(const std::string& text) {
    std::fprintf(out, "%s\n", text.c_str());
    std::fflush(out);
}

HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV, HSZ topic, HSZ item, HDDEDATA data, ULONG_PTR,
                           ULONG_PTR) {
    switch (type) {
        case XTYP_CONNECT:
            return reinterpret_cast<HDDEDATA>(Text(topic) == "[Book1]Sheet1" ? TRUE : FALSE);
        case XTYP_EXECUTE:
            if (quitting) {
                return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
            }
            Line("EXECUTE " + Data(data));
            if (executesLeft > 0 && --executesLeft == 0) {
                // From here on it takes nothing, as a spreadsheet that is closing, so what it
                // receives does not depend on how soon the conversation really ends.
                quitting = true;
                Line("QUIT");
                PostQuitMessage(0);
            }
            return reinterpret_cast<HDDEDATA>(DDE_FACK);
        case XTYP_POKE: {
            if (quitting) {
                return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
            }
            std::string text;
            for (char c : Data(data)) {
                text += c == '\t'   ? "\\t"
                        : c == '\r' ? "\\r"
                        : c == '\n' ? "\\n"
                                    : std::string(1, c);
            }
            Line("POKE " + Text(item) + " " + text);
            return reinterpret_cast<HDDEDATA>(DDE_FACK);
        }
        default:
            return nullptr;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || (out = std::fopen(argv[1], "a")) == nullptr) {
        return 2;
    }
    executesLeft = argc > 2 ? std::atoi(argv[2]) : 0;
    if (DdeInitializeA(&instance, Callback,
                       APPCLASS_STANDARD | CBF_FAIL_ADVISES | CBF_FAIL_REQUESTS |
                           CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS,
                       0) != DMLERR_NO_ERROR) {
        return 3;
    }
    HSZ service = DdeCreateStringHandleA(instance, "Excel", CP_WINANSI);
    if (DdeNameService(instance, service, nullptr, DNS_REGISTER) == nullptr) {
        return 4;
    }
    Line("READY");
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    // Ends every conversation, as a spreadsheet that closes does.
    DdeNameService(instance, service, nullptr, DNS_UNREGISTER);
    DdeFreeStringHandle(instance, service);
    DdeUninitialize(instance);
    std::fclose(out);
    return 0;
}
