#include "serial/RequestPacing.h"

#include <algorithm>

void RequestPacer::applyOverdueRule(std::uint32_t now) {
    // Unsigned difference: right across the wrap of the counter.
    if (static_cast<std::uint32_t>(now - waitingAnswerT) > kReplyWaitMs)
        waitingAnswer = false;
}

std::optional<QString> RequestPacer::admit(const QString& request, bool urgent,
                                           std::uint32_t now) {
    if (urgent)
        commandsQueue.insert(commandsQueue.begin() + static_cast<std::ptrdiff_t>(urgentQueued++),
                             request);
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

void RequestPacer::popHead() {
    if (commandsQueue.empty())
        return;
    commandsQueue.pop_front();
    if (urgentQueued > 0)
        --urgentQueued;
}

void RequestPacer::headWritten() { popHead(); }

std::optional<QString> RequestPacer::takeOverdueHead(std::uint32_t now) {
    applyOverdueRule(now);
    if (waitingAnswer || commandsQueue.empty())
        return std::nullopt;
    QString head = commandsQueue.front();
    popHead();
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
    urgentQueued = 0;
    waitingAnswer = false;
}

std::size_t RequestPacer::dropQueued(const std::function<bool(const QString&)>& unwanted) {
    const auto urgentEnd = commandsQueue.begin() + static_cast<std::ptrdiff_t>(urgentQueued);
    urgentQueued -=
        static_cast<std::size_t>(std::count_if(commandsQueue.begin(), urgentEnd, unwanted));
    return static_cast<std::size_t>(std::erase_if(commandsQueue, unwanted));
}
