// The language-text keys, in the order strings.ini must list them.
// This list is the single source of the key enum, the key names and the load order:
// never reorder it, and add a key only together with every shipped strings.ini.
// The first 1052 keys are the fixed list every language file shares; keys the program adds
// for its own texts go after them, at the end, so that those keys keep their places.
#pragma once

#define ZEMO_TEXT_KEYS(X) \
    X(Language) X(Font) X(Ok) X(Cancel) X(Yes) X(No) X(Help) X(Version) X(ServiceUpdate) \
    X(ClickNext) X(ClickNextService) X(BackBtn) X(NextBtn) X(InstallDir) X(UpdateDir) X(Browse) \
    X(SelectFolder) X(FolderName) X(Folders) X(Drives) X(CreateMenu) X(CreateDesk) X(Start) \
    X(NoDirectoryName) X(CannotCreateDir) X(CannotCopy) X(CannotCreateGroup) X(NoInstallation) \
    X(Writing) X(ZemoMap) X(FinishBtn) X(Success) X(FileMnu) X(FileNew) X(SaveUntitled) \
    X(NewMap) X(MapType) X(NormalMap) X(CourseSetting) X(SymbolsFrom) X(Untitled) \
    X(NoSymbolFile) X(FileOpen) X(FileNotFound) X(FormatNotCorr) X(ZEMO3Format) X(ZEMO4Format) \
    X(ZEMO5Format) X(ZEMO6Format) X(ZEMO7Format) X(Converting) X(ObjConverted) X(Line) \
    X(UncrossRiver) X(Road) X(Area) X(Text) X(Rectangle) X(PunchBox) X(Loading) X(Redrawing) \
    X(PressEsc) X(OpenMapFile) X(MapFiles) X(Zemo3Files) X(AllFiles) X(FontsNotFound) \
    X(FollowingFonts) X(Symbol) X(FileClose) X(FileSave) X(Saving) X(FileSaveAs) \
    X(ZEMO6Warning) X(Continue) X(SaveAs) X(Zemo8map) X(Zemo7Map) X(Zemo6Map) X(FileInfo) \
    X(FileInformation) X(FilePrint) X(Print) X(Printer) X(OnPort) X(PrinterLabel) X(Properties) \
    X(ColorMap) X(SpotColorSep) X(Range) X(OnePage) X(MapScale) X(PrintScale) X(Copies) \
    X(PrintToFile) X(Options) X(Intensity) X(LineWidths) X(Grid) X(PrintGrid) X(GridColor) \
    X(Standard) X(PrintFile) X(PrintFiles) X(Printing) X(HiddenWarning) X(CannotOpenPrinter) \
    X(PrintUserAbort) X(GenPrintError) X(PrintOutOfDisk) X(PrintOutOfMemory) \
    X(SetupPartialPrint) X(PageSize) X(PrintSize) X(HorOverlap) X(VerOverlap) X(PrOnePage) \
    X(ModifySize) X(PaperSizeNotDefined) X(RightBound) X(TopBound) X(SetupOnePage) \
    X(PrintCourses) X(AllControls) X(SelectAll) X(Setup) X(PrCourseOnly) X(ObjectNotFound) \
    X(Object) X(Course) X(Class) X(SymbolNotDefined) X(NoCourseDefined) X(CourseNotFound) \
    X(NumLegsNotDefined) X(StartNumNotCorrect) X(Relay) X(Legs) X(AllLegs) X(Leg) \
    X(StartNumbers) X(AllNum) X(Numbers) X(EnterNum) X(CourseOnly) X(HorScaling) X(VerScaling) \
    X(PrintBlack) X(Mirror) X(Reset) X(FilePrintCds) X(PrintCds) X(Cds) X(TextCds) X(Title) \
    X(Controls) X(BoxSize) X(FileImport) X(ImportFile) X(ImportFiles) X(UnknownFormat) \
    X(WithMouse) X(WithOffset) X(ImportZemo) X(HorOffset) X(VerOffset) X(NotZEMO6Format) \
    X(ImportHidden) X(Importing) X(ObjImported) X(CannotImportSymbol) X(ImportAborted) \
    X(ImportDxf) X(DxfSize) X(Horizontally) X(Vertically) X(NoInfo) X(Offset) X(NewOffset) \
    X(ExistingOffset) X(Coordinates) X(Gis) X(ImportCord) X(Other) X(mmUnit) \
    X(ConvertOemToAnsi) X(InsertAsPoint) X(Factor) X(DxfError) X(ImportShape) X(ShapeSize) \
    X(Units) X(KeyFieldDBase) X(CreateNewKey) X(UseExistingKey) X(ErrorInDBase) \
    X(ObjectsReachingOutside) X(ObjectsNotImported) X(CannotOpenWmf) X(CannotImportBitmap) \
    X(WmfFiles) X(CannotOpenEmf) X(EmfFiles) X(LoadCrtFile) X(CrtFiles) X(FileExport) \
    X(ExportAI) X(CmykColors) X(SpotColors) X(AiFiles) X(ExportBMP) X(Resolution) \
    X(BmpFileSize) X(BmpResTooHigh) X(ExpMemory) X(ObjDrawn) X(LinesWritten) X(BmpFiles) \
    X(ExportDXF) X(AnsiToOem) X(ObjectsSelSym) X(FileName) X(Folder) X(Exporting) \
    X(ObjExported) X(ExportAborted) X(DxfFiles) X(ExportEps) X(Export) X(ColorEps) X(SetupBtn) \
    X(RasterResol) X(ExportScale) X(EpsFiles) X(ExportGif) X(GifFiles) X(ExportJpg) X(JpgFiles) \
    X(ExportKiv) X(AppletSize) X(ZoomLevels) X(ZoomOutButton) X(HtmlOnly) X(Find) X(AddFindBox) \
    X(NameField) X(Hotspots) X(AddHotspots) X(LinkField) X(ResTooLowZoom) X(ZoomOut) X(FindBtn) \
    X(HtmlFiles) X(MapFilesKiv) X(MapFile) X(Zoom) X(Change) X(ExportShape) X(PointObjects) \
    X(LineObjects) X(AreaObjects) X(TextObjects) X(AllObjects) X(ObjectsInDataset) \
    X(ShapeFiles) X(ExportTiff) X(ColorTiff) X(Combine) X(TiffType) X(TiffNoGeo) X(GeoTiff) \
    X(PixelSize) X(CreateTfw) X(Tiles) X(BlackAndWhite) X(LzwCompressed) X(TiffFiles) \
    X(SetupPartialExp) X(Paper) X(RealWorld) X(EntireMap) X(PartialMap) X(Define) X(SetupTiles) \
    X(TileSize) X(FileExportCourses) X(ReadOnlyWrite) X(ExportCourses) X(NoClassesDefined) \
    X(TextFiles) X(FileExportCsMaps) X(ExportCsMaps) X(FileBackup) X(Backup) X(BackupTo) \
    X(Diskette) X(OtherLocation) X(Drive) X(FileSize) X(Bytes) X(InsertDisk) X(CannotReadDisk) \
    X(WriteProtected) X(BackupCannotWrite) X(BackupCannotDelete) X(BackupAborted) X(CheckDisk) \
    X(WriteBackup) X(BytesWritten) X(BackupOk) X(DiskNotEmpty) X(Files) X(InsertEmptyDisk) \
    X(Overwrite) X(InsertNextDisk) X(InsertNextDisk1) X(AllDone) X(FileRestore) X(Restore) \
    X(RestoreFrom) X(File) X(Date) X(Time) X(Disk) X(Last) X(InsertFirstDisk) X(Info) \
    X(NoFileFound) X(RestoreDiskNumber) X(RestoreAborted) X(RestoreDifferentDrives) \
    X(FileInUse) X(RestoreNoFileFound) X(ReadingInfo) X(Restoring) X(BytesRestored) \
    X(RestoreTo) X(FileExit) X(FileModified) X(EditMnu) X(EditUndo) X(EditRedo) X(EditCut) \
    X(EditCopy) X(TooManyForClb) X(EditPaste) X(EditDelete) X(EditJoin) X(EditMerge) \
    X(TooManyMerge) X(CannotMergeLines) X(CannotMergeAreas) X(EditToCurve) X(EditToGraphics) \
    X(EditMeasure) X(MeasureResult) X(Scale) X(LineLength) X(AreaSize) X(MeasureLen) \
    X(MeasureArea) X(ViewMnu) X(ViewSpot) X(ViewSpotOpt) X(SpotOpt) X(SelectSpotView) \
    X(ViewHatch) X(ViewTransp) X(ViewTranspOpt) X(TranspOpt) X(OpaqueCol) X(NoColor) \
    X(FromTopTo) X(ViewRedraw) X(ViewMove) X(MoveView) X(ViewMoveTo) X(MoveViewTo) \
    X(HorPosition) X(VerPosition) X(HorPosOutside) X(VerPosOutside) X(ViewZoomIn) \
    X(ViewZoomOut) X(ViewEntire) X(ViewStandard) X(ViewEdit) X(SymbolMnu) X(SymbolNew) \
    X(NewSymbol) X(SymbolType) X(NewPointSym) X(NewLineSym) X(NewAreaSym) X(NewTextSym) \
    X(NewLineTextSym) X(NewRectSym) X(PointSymbol) X(SymNum) X(Description) X(OrientNorth) \
    X(NotUsedCourse) X(CourseSymbol) X(CdSymbol) X(ActivatesF) X(Edit) X(Icon) X(SymNumRange) \
    X(LineSymbol) X(PreferredTool) X(NonePreferredTool) X(MainLine) X(Distances) X(Symbols) \
    X(DoubleLine) X(Decrease) X(LineColor) X(CsMarkedRoute) X(LineStyle) X(DistFromStart) \
    X(DistToEnd) X(PointedEnds) X(MainLength) X(EndLength) X(Gaps) X(MainGap) X(SecGap) \
    X(EndGap) X(Min) X(GapSym) X(MainSymbol) X(nOfSymbols) X(Distance) X(SecSym) X(CornerSym) \
    X(StartSym) X(EndSym) X(Edit1) X(Mode) X(DblModeChoices) X(Fill) X(FillColor) X(LeftLine) \
    X(RightLine) X(Dashed) X(DistanceA) X(Gap) X(CenterLine) X(Off) X(LastSymbol) \
    X(OfNormalSize) X(AreaSymbol) X(General) X(Hatch) X(Structure) X(FillBackground) \
    X(StructureNorth) X(Angle1) X(Angle2) X(Degrees) X(NoHatch) X(NoStructure) X(Width) \
    X(Height) X(Angle) X(TextSymbol) X(Paragraph) X(Tabulator) X(LineBelow) X(Framing) \
    X(FontName) X(Color) X(Size) X(CharHeight) X(Bold) X(Italic) X(CourseSettingSym) \
    X(CharSpace) X(OfSpaceChar) X(WordSpace) X(Alignment) X(TextAlign) X(LineSpace) \
    X(OfFontSize) X(ParaSpace) X(IndentFirst) X(IndentOther) X(Position) X(Add) X(Delete) X(On) \
    X(DistFromText) X(FontNotFound) X(LTextSymbol) X(Spacing) X(LTextAlign) X(RectSymbol) \
    X(CornerRadius) X(GridOn) X(CellWidth) X(CellHeight) X(NumBottom) X(UnnumberedCells) \
    X(NumberOf) X(SymbolEdit) X(SymbolIcon) X(EditIcon) X(SymbolEnlarge) X(EnlargeSymbol) \
    X(AllSym) X(SymbolCopy) X(SymbolPaste) X(SymbolDelete) X(DeleteSymbol) X(SymbolDuplicate) \
    X(SymbolSort) X(SymbolSortNum) X(SymbolSortCol) X(SymbolSelect) X(SymbolSelUsed) \
    X(SymbolSelUnused) X(SymbolSelInvert) X(SymbolSelAll) X(SymbolColors) X(Colors) X(Number) \
    X(Name) X(OverPr) X(ColorBtn) X(MoveUp) X(MoveDn) X(Value) X(DefColor) X(Cyan) X(Magenta) \
    X(Yellow) X(Black) X(Red) X(Green) X(Blue) X(Overprint) X(NewCol) X(PreviousCol) X(NextCol) \
    X(SymbolSpotColors) X(SpotColorsT) X(HalfFreq) X(HalfAng) X(Appearance) X(SepNameEmpty) \
    X(SymbolLoadCol) X(ColorsDeleted) X(LoadColorsFrom) X(SymbolLoad) X(LoadSymbolsFrom) \
    X(SymbolsDeleted) X(NotZ6Map) X(NotZ8Map) X(SymbolNormal) X(SymbolProtect) X(SymbolHide) \
    X(ExtrasMnu) X(ExtrasOptimize) X(OptimizeRslt) X(OldFileSize) X(NewFileSize) X(Repaired) \
    X(DamagedDeleted) X(Spurious) X(UnknownSym) X(Deleted) X(NotDeleted) X(Optimizing) \
    X(ObjDone) X(CopyingFiles) X(ExtrasMove) X(MoveMap) X(HorMove) X(VerMove) X(ObjMoved) \
    X(OutOfArea) X(ExtrasChScale) X(ChangeScale) X(ActScale) X(NewScale) X(EnlargeSym) \
    X(ExtrasStretch) X(StretchMap) X(HorStretch) X(VerStretch) X(MirrorHor) X(MirrorVer) \
    X(ObjStretched) X(ExtrasRotate) X(RotateMap) X(RotateSym) X(ObjRotated) X(ExtrasSelectSym) \
    X(SelectBySymbol) X(SelectObj) X(AllObjectsWithSym) X(AllObjectsInLayer) \
    X(UndefinedObjects) X(ExtrasChangeSym) X(ChangeSym) X(ChangeAllObj) X(Layer) X(ToSymbol) \
    X(CheckingObj) X(ObjChanged) X(ChangeSymNotFound) X(Undefined) X(ExtrasConvertLayers) \
    X(NoImportedLayers) X(ConvertLayers) X(FromLayer) X(SaveCrtFile) X(EditReference) \
    X(ExtrasExportSym) X(ExportSymFile) X(ExtrasDeleteSym) X(DeleteBySymbol) X(DeleteObj) \
    X(ObjDeleted) X(ExtrasToCurveSym) X(ToCurveSym) X(ExtrasTextScript) X(TextScript) \
    X(SelectScript) X(Script) X(ScriptNotSupported) X(ExtrasPartial) X(ExportPartial) X(Bounds) \
    X(RectBounds) X(Left) X(Right) X(Top) X(Bottom) X(DefineBounds) X(MapSize) X(ObjBounds) \
    X(ExtrasGridLine) X(GridLines) X(HorLine) X(VerLine) X(LinesCreated) X(LineSymRequired) \
    X(CourseMnu) X(CourseStat) X(ControlStat) X(CourseOpt) X(Database) X(DbDataset) X(Dataset) \
    X(DBaseFiles) X(OdbcSource) X(Table) X(KeyField) X(SecondaryTables) X(Remove) \
    X(SpecialFields) X(SymbolField) X(TextField) X(SizeField) X(UnitLength) X(UnitArea) \
    X(Decimals) X(FolderNotFound) X(DatasourceNotFound) X(TableNotFound) X(FieldNotFound) \
    X(DatasetNotFound) X(RemoveLinks) X(SecondaryTable) X(ReferenceField) X(NoKeySelected) \
    X(NewDataset) X(DataSource) X(NewDBase) X(ExistingSource) X(NoDatasetName) X(DatasetExists) \
    X(DBaseTable) X(Fields) X(FieldName) X(Type) X(NewTable) X(OpenTable) X(DeleteField) \
    X(OpenDBaseFile) X(SaveDBaseFile) X(NewDBaseField) X(BeforeField) X(AfterField) \
    X(NoFieldName) X(NameMax10) X(FieldNameLetter) X(FieldNameSpaces) X(CharNotAllowed) \
    X(SemicolonNotAllowed) X(DataSetCannotAccess) X(ObjectNotFoundInDataSource) \
    X(CannotUpdateTable) X(CannotInsertRecord) X(CannotConnectOdbc) X(DbCreateLinks) \
    X(CreateLinks) X(CreateLinksText) X(CreatingLinks) X(LinksCreated) X(DbAssign) \
    X(DbAssignSym) X(AssignSym) X(Condition) X(SymNumNotValid) X(Load) X(Save) X(SaveAsBtn) \
    X(Execute) X(LoadConditionFile) X(SaveConditionFile) X(ConditionFiles) X(EditCondition) \
    X(NoCondition) X(StringExpected) X(ConditionNotComplete) X(CondOpExpected) X(DbAssignText) \
    X(AssignText) X(DbAssignAngle) X(AssignAngle) X(AngleField) X(DbOpenLinks) X(NoOpenLinks) \
    X(OpenLinksFound) X(DbNameIndex) X(NameIndex) X(HorDistance) X(VerDistance) X(Style) \
    X(ObjFound) X(TextSymRequired) X(DbLink) X(LinkObject) X(Key) X(NewRecord) \
    X(UseExistingData) X(CreateNewRecord) X(DbFind) X(FindObject) X(TemplateMnu) \
    X(TemplateScan) X(Acquire) X(CannotLoadTwain) X(SaveTemplate) X(SelectSource) X(TempOpen) \
    X(CourseNotTemplate) X(TemplateSearch) X(LoadingTemp) X(LinesRead) X(InvalidBmp) \
    X(GifError) X(BmpNotSupported) X(TempMemory) X(CloseTemp) X(OpenTemplate) X(TemplateFiles) \
    X(Template) X(NoTempResol) X(DraftScale) X(TiffGeo) X(GeoInfo) X(TiffSize) X(InvalidTiff) \
    X(TiffError) X(TfwError) X(CompressionNotSupp) X(TiffVariantNotSupp) X(ErrorCcitt) \
    X(ErrorGif) X(TemplateReopen) X(ReopenTemplate) X(CloseTemplate) X(TemplateAdjust) \
    X(PressF1) X(MarkTemplate) X(MarkTemplateOr) X(MarkMap) X(AdjTooClose) X(CannotAdjust) \
    X(AdjTemp) X(TemplateHide) X(TemplateOptions) X(TempOpt) X(Dim) X(Transparent) \
    X(AssignToSpot) X(RenderSpot) X(OptionsMnu) X(OptionsPref) X(Preferences) \
    X(RedrawBackground) X(AutoScroll) X(AutoSelectSym) X(ContextMenu) X(ObjectStretch) \
    X(FreeToCurve) X(DelayedLines) X(DelayedAreas) X(AutoFileLoad) X(AutoFileSave) \
    X(Additional) X(Tolerances) X(Select) X(Pixels) X(Joining) X(SelObjects) X(SelAllObjects) \
    X(SelOnlyInside) X(DrawingCurves) X(ZemoMode) X(IllustratorMode) X(Warnings) \
    X(HiddenSymbols) X(HiddenPrint) X(HiddenExport) X(HiddenImport) X(OptionsShortcuts) \
    X(Shortcuts) X(NoneShortcut) X(Shift) X(Ctrl) X(Commands) X(Shortcut) X(AllStandard) \
    X(ShortcutExists) X(OptionsColorCor) X(ColorCor) X(OptionsScales) X(Scales) X(Draft) \
    X(HorScale) X(VerScale) X(PaperCord) X(GridDist) X(RealWorldCord) X(OptionsOpenGps) \
    X(OpenGps) X(Port) X(Speed) X(Filter) X(Min4Sat) X(DgpsRequired) X(NoTimer) X(Satellites) \
    X(NoFix) X(NoDgps) X(OnlySat) X(Test) X(TestGps) X(SerialData) X(Latitude) X(Longitude) \
    X(GpsMode) X(OptionsCloseGps) X(OptionsAdjGps) X(AdjustGps) X(AdjPoints) X(Point) X(Rename) \
    X(MarkActPos) X(NoValidGps) X(DelAdjustPt) X(WindowMnu) X(WindowTile) X(WindowCascade) \
    X(HelpMnu) X(HelpContents) X(HelpMenu) X(HelpToolbar) X(HelpHome) X(HelpMapInfo) X(MapInfo) \
    X(Objects) X(nSymbols) X(SymMem) X(ScreenCol) X(BW) X(TrueColor) X(ScreenRes) X(PhysMem) \
    X(MB) X(MBFree) X(DiskSpace) X(HelpAbout) X(AboutZemo) X(Address) X(PatentNote) \
    X(Translation) X(PointObject) X(EditObj) X(EditPoint) X(ObjectsSelected) X(StandardToolbar) \
    X(DuplicateHint) X(ChangeHint) X(ChangeAllHint) X(FillHint) X(ReverseHint) X(GridHint) \
    X(AutojoinHint) X(SmoothHint) X(EditToolbar) X(RemovePtHint) X(MarkRemPt) X(DashPtHint) \
    X(CornerPtHint) X(MarkInsPt) X(NormalPtHint) X(DirectionHint) X(IndicateDir) X(RotateHint) \
    X(MarkCenter) X(RotateObj) X(CutHoleHint) X(CutHint) X(MarkCutPt) X(CutAreaMsg) \
    X(MoveParallel) X(DragPoint) X(CurveHint) X(NewCurve) X(MaxPoints) X(EllipseHint) \
    X(DragLongerAx) X(DragWidth) X(CircleHint) X(DragDiam) X(DrawCircle) X(Radius) X(CircleOut) \
    X(RectangularHint) X(DragFirst) X(DragNext) X(StraightHint) X(DrawLine) X(Length) \
    X(LineOut) X(FreehandHint) X(Drawing) X(Smoothing) X(DrawRect) X(FromCursor) \
    X(AroundEntireMap) X(RectOut) X(SymNumExists) X(SymNumNotCorr) X(UpdatingObj) X(ObjUpdated) \
    X(SymbolEditor) X(LineWidth) X(Diameter) X(Close) X(Circle) X(Dot) X(Apply) \
    X(SymbolTooComplex) X(Link) X(TextDescription) X(FunnelTapes) X(Courses) X(Classes) X(New) \
    X(Duplicate) X(Variation) X(Preview) X(OptionsBtn) X(CourseObject) X(Code) X(FirstFreeCode) \
    X(NextFreeCode) X(StartType) X(Control) X(Finish) X(MarkedRoute) X(CdType) X(CourseTitle) \
    X(StartNumber) X(StartLetter) X(ControlLetter) X(FinishLetter) X(MarkedLetter) X(CdLetter) \
    X(ClassNameLetter) X(StartNumLetter) X(NoCode) X(CodeExists) X(ExtraLength) X(Climb) \
    X(NumOfRunners) X(RelayOff) X(NormalRelay) X(OneManRelay) X(NumLegs) X(NoCourseName) \
    X(DeleteCourse) X(RemoveSplit) X(CourseExists) X(SwitchOffRelay) X(ChangeLegs) \
    X(CourseOptions) X(DistanceNum) X(DistanceLine) X(PrintControlCodes) X(TitleAuto) \
    X(TitleBoth) X(TitleCourseOnly) X(CdOnMap) X(ResetAll) X(InsertVariation) X(Insert) \
    X(TeamVariation) X(TeamVarText) X(LegVariation) X(LegVarText) X(DragLegs) \
    X(ControlBetweenVar) X(StartNumRelay) X(From) X(To) X(NoClassSelected) X(DeleteClass) \
    X(CourseNone) X(ClassNameEmpty) X(ClassNameExists) X(LastGreater) X(OneClassRelayCourse) \
    X(Warning) X(MaxObjects) X(SessionAborted) \
    X(InternalError) X(NotEnoughMemory) \
    X(CannotCreate) X(CannotOpen) X(CannotWrite) X(CannotRead) X(DiskFull) X(MustBetween) \
    X(NoNumber) X(MustPositive) \
    X(Shadow) X(IndexStyleColumn) X(IndexStyleRow) X(IndexStyleRowUp) X(IndexStyleLetterUp) \
    X(DamagedMap) X(DamagedMapCopy) X(SkippedSymbols) \
    X(PreviewObjectsRemoved) X(DamagedCourses) X(CourseWithoutStart) X(CourseWithoutFinish) \
    X(PrintIncomplete) X(PrintScaleDiffers) \
    X(DbValueRefused) X(DbCodePageRefused) X(PdfFilePrinter) X(GpsNoData) X(GpsLost) X(PartialPicture) \
    X(ObjectSelected) X(NotZero) X(RepairedMap) \
    X(ImportReportRead) X(ImportReportLeftOut) X(ImportReportNothing) X(ImportReportCut) X(RectangleObjects) \
    X(DamagedRecords) X(UnreadDrawingRecords) X(ObjectsWithTooManyPoints) X(BitmapRecords) X(PastedPicture) \
    X(ObjectsWithoutSymbol) X(UndefinedBlocks) X(ColoursMapped) X(ColourValuesDiffer) X(ColourAdded) \
    X(ClipboardSource) X(DbTextTooLong) X(ColoursRefused) X(ColourTableFull) \
    X(ColourSeparationMissing) X(ImportReportSimplified) X(ImportReportDamagedAt) \
    X(SplinesWithoutTheirKnots) X(SplinesThroughFitPoints) X(BlockCopiesBeyondLimit) \
    X(ShapeSetGeographic) X(ImportReportCutShort) X(ExportLeftOutNoExtent) \
    X(PaperSize) X(Orientation) X(Portrait) X(Landscape) X(Margins) X(PictureUnread) \
    X(PreviewObjectRemoved) X(ColourTableFullOne) X(DbTextTooLongByte) \
    X(ImportChangesPlacement) X(ImportChangesPlacementAsk) X(UnsupportedShapeTypes) X(ExportLeftOutSymbols) \
    X(DbCodePageUnknown) X(OdbcTextTooLong) X(GpsReconnected) \
    X(LargeTemplate) X(ScansLeftOut)
