#include "dialogs/ModalObserver.h"

#include <utility>

namespace kv {
namespace {
ModalObserver* g_observer = nullptr;
}  // namespace

ModalObserver* CurrentModalObserver() { return g_observer; }

ScopedModalObserver::ScopedModalObserver(ModalObserver& observer) : previous_(std::exchange(g_observer, &observer)) {}

ScopedModalObserver::~ScopedModalObserver() { g_observer = previous_; }

}  // namespace kv
