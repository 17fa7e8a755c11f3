#include "tests/support/ui_script.h"

namespace stats {
namespace testing {

void UiScript::Queue(DialogReply reply) {
  std::lock_guard<std::mutex> hold(mutex_);
  replies_.push_back(std::move(reply));
}

void UiScript::InspectMessages(std::function<void(void*)> inspect) {
  std::lock_guard<std::mutex> hold(mutex_);
  message_inspector_ = std::move(inspect);
}

std::function<void(void*)> UiScript::MessageInspector() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return message_inspector_;
}

DialogReply UiScript::NextReply() {
  std::lock_guard<std::mutex> hold(mutex_);
  if (replies_.empty()) return DialogReply();
  DialogReply reply = std::move(replies_.front());
  replies_.pop_front();
  return reply;
}

std::vector<SeenDialog> UiScript::Seen() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return seen_;
}

std::vector<std::string> UiScript::Messages() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return messages_;
}

std::vector<std::string> UiScript::Problems() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return problems_;
}

void UiScript::Record(SeenDialog seen) {
  std::lock_guard<std::mutex> hold(mutex_);
  seen_.push_back(std::move(seen));
}

void UiScript::RecordMessage(const std::string& message) {
  std::lock_guard<std::mutex> hold(mutex_);
  messages_.push_back(message);
}

void UiScript::RecordProblem(const std::string& problem) {
  std::lock_guard<std::mutex> hold(mutex_);
  problems_.push_back(problem);
}

}  // namespace testing
}  // namespace stats
