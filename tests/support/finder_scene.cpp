#include "finder_scene.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "protocol/status_decode.h"

PtyPeer::PtyPeer(const std::string& comName, Peer peer) {
  pty_.LinkAs(comName);
  thread_ = std::thread([this, peer] { Serve(peer); });
}

std::string PtyPeer::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  return received_;
}

void PtyPeer::Serve(Peer peer) {
  constexpr char kNoise[] = "[01\r<x\x15\xFF[0000,0\r";
  while (!stop_) {
    if (peer == Peer::Babble && ::write(pty_.Master(), kNoise, sizeof kNoise - 1) < 0 && errno != EAGAIN) return;
    pollfd p{pty_.Master(), POLLIN, 0};
    if (::poll(&p, 1, peer == Peer::Babble ? 0 : 10) <= 0) continue;
    const std::string got = pty_.Drain();
    received_ += got;
    if (peer == Peer::HangUp) return pty_.CloseMaster();
    if (peer == Peer::Late) std::this_thread::sleep_for(std::chrono::milliseconds(400));
    if (peer == Peer::Echo || peer == Peer::Late) pty_.Send(peer == Peer::Echo ? got : "[0110,G,2]\r\n");
  }
}

bool OnlyPolls(const std::string& received) { return received == "??\r" || received == "??\r??\r"; }

FinderScene::FinderScene(const std::vector<std::string>& names, const std::string& configDir)
    : echo(names[4], Peer::Echo), babble(names[5], Peer::Babble), holder(held.SlavePath()) {
  for (std::size_t i = 0; i < std::size(kStatusLines); ++i) {
    modules.push_back(std::make_unique<SimulatedModule>(names[i], configDir));
    modules.back()->HoldStatus(kStatusLines[i], 0);
    modules.back()->Start();
  }
  silent.LinkAs(names[3]);
  held.LinkAs(names[6]);
}

std::vector<std::string> FinderScene::FindingTexts() const {
  std::vector<std::string> texts;
  for (const char* line : kStatusLines) texts.push_back(StatusText(*DecodeStatusLine(line)));
  texts.insert(texts.end(),
               {"no answer (nothing came back)", "no answer (an echo of the poll)",
                "no answer (no status line came back)", "in use by sleep (pid " + std::to_string(holder.Pid()) + ")"});
  return texts;
}
