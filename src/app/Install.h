// One installer per library: each binds the ports that its library declares.
#pragma once

namespace zemo {

void InstallCore();
void InstallDocument();
void InstallRender();
void InstallEdit();
void InstallShell();
void InstallSymbols();

} // namespace zemo
