#include "scan/PathsGenerator.h"

#include "platform/FileSystem.h"

PathsGenerator& PathsGenerator::GetInstance() {
    static PathsGenerator instance;
    return instance;
}

PathsGenerator::PathsGenerator() : m_sHomeDirectory(FileSystem::standard().homeFolder()) {}
