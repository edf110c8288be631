// One installer per library: each binds what its library provides into the ports of the
// libraries below it.
#pragma once

namespace zemo {

void InstallCore();
void InstallDocument();
void InstallRender();
void InstallEdit();
void InstallShell();
void InstallSymbols();
void InstallIo();
void InstallExternal();
void InstallCourse();

} // namespace zemo
