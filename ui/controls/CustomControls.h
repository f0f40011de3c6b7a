#pragma once

namespace vy {

class CUiApp;

// Registers the application's widgets and skins with the toolkit, in the
// order start-up expects, and adds the executable resources they use (the
// tip window and input dialog layouts).
void RegisterCustomControls(CUiApp& app);

}  // namespace vy
