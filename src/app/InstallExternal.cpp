#include "app/Install.h"

#include "document/Ports.h"
#include "external/Template.h"

namespace zemo {

namespace {

// The templates of the map store, its windows and its drawing.
void BindTemplates()
{
    DocumentPortSet& doc = DocumentPorts();
    doc.GetFullExtent.Bind(FullExtentWithTemplates);
    doc.LoadMapTemplates.Bind(LoadTemplatesOfMap);
    doc.UnloadTemplate.Bind(UnloadTemplatesOfMap);
    doc.LoadTemplateFile.Bind([](const QString& name, int mode) { return LoadTemplateFile(name, mode); });
    doc.ReleaseTemplate.Bind([](const QString& name) { ReleaseTemplate(name); });
    doc.CurrentTemplate.Bind([] { return TemplateUnit.CurrentTemplate; });
    doc.ParseTemplateParams.Bind([](const QString& text) { ParseTemplateParams(text); });
    doc.TemplateBounds.Bind([](CordRect& r) { return TemplateBounds(r); });
    doc.ActiveZmdTemp.Bind([](int index, QString& fullName, int& dim) {
        return ActiveZmdTemp(index, fullName, dim);
    });
}

} // namespace

void InstallExternal()
{
    BindTemplates();
}

} // namespace zemo
