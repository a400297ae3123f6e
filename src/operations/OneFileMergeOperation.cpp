#include "operations/OneFileMergeOperation.h"

#include "operations/ComplexOperationPerformer.h"
#include "operations/CopyOperation.h"
#include "operations/MoveOperation.h"
#include "platform/Dispatch.h"
#include "platform/FileSystem.h"
#include "platform/SerialQueue.h"
#include "scan/FolderSystemItem.h"

std::shared_ptr<OneFileMergeOperation> OneFileMergeOperation::buildOperationWithCopy(const FileSystemItem& file,
                                                                                    const FolderSystemItem& target) {
    return build(file, target, true);
}

std::shared_ptr<OneFileMergeOperation> OneFileMergeOperation::buildOperationWithMove(const FileSystemItem& file,
                                                                                    const FolderSystemItem& target) {
    return build(file, target, false);
}

std::shared_ptr<OneFileMergeOperation> OneFileMergeOperation::build(const FileSystemItem& file,
                                                                    const FolderSystemItem& target, bool copy) {
    auto operation = std::make_shared<OneFileMergeOperation>();
    operation->m_sSource = file.path();
    operation->m_bCopy = copy;
    // The file's own name when free in the target, else "stem 2.ext" …
    const std::string name(file.name());
    const std::string folder = target.path();
    const auto dot = name.find_last_of('.');
    const bool split = dot != std::string::npos && dot > 0;
    std::string candidate = name;
    for (int n = 2; FileSystem::standard().exists(folder + "/" + candidate); ++n)
        candidate = (split ? name.substr(0, dot) : name) + " " + std::to_string(n) + (split ? name.substr(dot) : "");
    operation->m_sDestination = folder + "/" + candidate;
    return operation;
}

void OneFileMergeOperation::start(Completion completion) {
    if (m_bStarted) return;
    m_bStarted = true;
    ComplexOperation complex;
    complex.action = ComplexOperation::Action::OneFileMerge;
    if (m_bCopy)
        complex.operations.push_back(std::make_shared<CopyOperation>(m_sSource, m_sDestination));
    else
        complex.operations.push_back(std::make_shared<MoveOperation>(m_sSource, m_sDestination));
    m_pQueue = SerialQueue::create("one file merge");
    m_pQueue->async([self = shared_from_this(), complex, completion = std::move(completion)] {
        ComplexOperationPerformer performer(complex, nullptr);
        performer.perform();
        const FileOperation& op = *complex.operations.front();
        dispatch::main().async([self, completion, result = op.result(), status = op.status()] {
            self->m_eResult = result;
            completion(result == FileOperationResult::Successful ? self->m_sDestination : std::string(), status);
        });
    });
}
