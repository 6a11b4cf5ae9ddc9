// The protocols a projector may speak and the one place that makes a session
// for one of them. Windows-free.
#pragma once

#include <memory>
#include <vector>

#include "ProjectorSession.h"
#include "ReplyHandling.h"
#include "SessionSettings.h"

// `captionItems`: the CC drop-down's entries a caption reply can tick, for a
// protocol that has captions.
std::unique_ptr<ProjectorSession> MakeSession(const SessionSettings& settings, std::vector<CcItem> captionItems = {});
