#include <QCoreApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("dorvane %s (%s)\n", DORVANE_VERSION, DORVANE_GIT_REVISION);
        return 0;
    }
    return 0;
}
