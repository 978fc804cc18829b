#include "serial/RequestPacing.h"

void RequestPacer::applyOverdueRule(std::uint32_t now) {
    // Unsigned difference: right across the wrap of the counter.
    if (static_cast<std::uint32_t>(now - waitingAnswerT) > kReplyWaitMs)
        waitingAnswer = false;
}

std::optional<QString> RequestPacer::admit(const QString& request, bool urgent,
                                           std::uint32_t now) {
    if (urgent)
        commandsQueue.push_front(request);
    else
        commandsQueue.push_back(request);
    return takeOverdueHead(now);
}

std::optional<QString> RequestPacer::replyArrived() {
    if (commandsQueue.empty()) {
        waitingAnswer = false;
        return std::nullopt;
    }
    return commandsQueue.front();
}

void RequestPacer::headWritten() {
    if (!commandsQueue.empty())
        commandsQueue.pop_front();
}

std::optional<QString> RequestPacer::takeOverdueHead(std::uint32_t now) {
    applyOverdueRule(now);
    if (waitingAnswer || commandsQueue.empty())
        return std::nullopt;
    QString head = commandsQueue.front();
    commandsQueue.pop_front();
    waitingAnswer = true;
    waitingAnswerT = now;
    return head;
}

bool RequestPacer::isIdle(std::uint32_t now) {
    applyOverdueRule(now);
    return commandsQueue.empty() && !waitingAnswer;
}

void RequestPacer::clear() {
    commandsQueue.clear();
    waitingAnswer = false;
}

std::size_t RequestPacer::dropQueued(const std::function<bool(const QString&)>& unwanted) {
    return static_cast<std::size_t>(std::erase_if(commandsQueue, unwanted));
}
