// Data sources and data links: how controls follow a dataset. A TDataSource
// joins one dataset to any number of TDataLinks; the dataset's data events go
// through the source to every link, which keeps its own window of record
// buffers (first record, buffer count) and turns the events into the virtual
// calls a control overrides. TFieldDataLink binds one field for a control.
#pragma once

#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/TypInfo.h"
#include "platform/db/DBCommon.h"

namespace kvp {

using TDataChangeEvent = TDelegate<void(TObject* Sender, TField* Field)>;

// TDataSource: see the unit comment. Its State follows the dataset's while it
// is enabled; it passes events to its links (non-visual links first, then
// visual ones, each group last-attached first) and then fires its own events.
class TDataSource : public TComponent {
  KV_CLASS(TDataSource, TComponent)
 public:
  explicit TDataSource(TComponent* AOwner) : TComponent(AOwner) {}

  TDataSet* GetDataSet() const { return FDataSet; }
  void SetDataSet(TDataSet* Value);
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool GetAutoEdit() const { return FAutoEdit; }
  void SetAutoEdit(bool Value) { FAutoEdit = Value; }
  TDataSetState GetState() const { return FState; }
  // Puts the dataset into edit state when AutoEdit is on and it is browsing.
  void Edit();
  // True when DataSet, through its master sources, leads back to this source.
  bool IsLinkedTo(TDataSet* DataSet) const;
  Integer GetDataLinkCount() const { return Integer(FDataLinks.size()); }

  TDataChangeEvent OnDataChange;
  TNotifyEvent OnStateChange;
  TNotifyEvent OnUpdateData;

  KV_PUBLISHED;

 protected:
  void Destroy() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TDataSet;
  friend class TDataLink;
  void DataEvent(TDataEvent Event, TDataEventInfo Info);
  void NotifyLinks(TDataEvent Event, TDataEventInfo Info);
  void UpdateState();
  void AddDataLink(TDataLink* Link);
  void RemoveDataLink(TDataLink* Link);

  TDataSet* FDataSet = nullptr;
  std::vector<TDataLink*> FDataLinks;  // attach order
  TDataSetState FState = dsInactive;
  bool FEnabled = true;
  bool FAutoEdit = true;
};

// TDataLink: a control's connection to a data source. Its window is the
// buffers FirstRecord .. FirstRecord + BufferCount - 1 of the dataset; row i
// of the control is buffer FirstRecord + i.
//
// Calls a descendant receives, from DataEvent:
//   deUpdateState      -> ActiveChanged (on a change), EditingChanged (on a change)
//   deFieldChange,
//   deRecordChange     -> RecordChanged(Field)  (not inside its own UpdateRecord)
//   deDataSetChange    -> DataSetChanged        (after the window follows the record)
//   deDataSetScroll    -> DataSetScrolled(Distance the window moved)
//   deLayoutChange     -> LayoutChanged
//   deUpdateRecord     -> UpdateData
//   deCheckBrowseMode  -> CheckBrowseMode
//   deFocusControl     -> FocusControl(Field reference)
// Default bodies: DataSetScrolled and LayoutChanged run DataSetChanged, which
// runs RecordChanged(nullptr); the others do nothing.
class TDataLink : public TPersistent {
  KV_CLASS(TDataLink, TPersistent)
 public:
  TDataLink() = default;

  TDataSource* GetDataSource() const { return FDataSource; }
  void SetDataSource(TDataSource* Value);
  bool GetDataSourceFixed() const { return FDataSourceFixed; }
  void SetDataSourceFixed(bool Value) { FDataSourceFixed = Value; }
  TDataSet* GetDataSet() const;
  bool GetActive() const { return FActive; }
  bool GetEditing() const { return FEditing; }
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  Integer GetActiveRecord() const;
  void SetActiveRecord(Integer Value);
  Integer GetBufferCount() const { return FBufferCount; }
  void SetBufferCount(Integer Value);
  Integer GetRecordCount() const;
  // The first buffer of this link's window (for tests and descendants).
  Integer GetFirstRecord() const { return FFirstRecord; }
  bool GetVisualControl() const { return FVisualControl; }
  void SetVisualControl(bool Value) { FVisualControl = Value; }
  // Asks the source to edit; answers whether the link is editing afterwards.
  bool Edit();
  // Lets the control write its pending value (UpdateData) now.
  void UpdateRecord();
  // An action (a TBasicAction) that handles the data source as its target
  // runs on it (ExecuteTarget or UpdateTarget), and the answer is true;
  // anything else is left to the caller.
  virtual bool ExecuteAction(TObject* Action);
  virtual bool UpdateAction(TObject* Action);

 protected:
  void Destroy() override;

  virtual void ActiveChanged() {}
  virtual void CheckBrowseMode() {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(Integer /*Distance*/) { DataSetChanged(); }
  virtual void EditingChanged() {}
  virtual void FocusControl(TField** /*Field*/) {}
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField* /*Field*/) {}
  virtual void UpdateData() {}
  virtual void DataEvent(TDataEvent Event, TDataEventInfo Info);
  // The dataset this link belongs to as its master link, if any: a source
  // that leads back to it would make a circle.
  virtual TDataSet* GetDetailDataSet() const { return nullptr; }

 private:
  friend class TDataSource;
  friend class TDataSet;
  void UpdateState();
  void SetActive(bool Value);
  void SetEditing(bool Value);
  void UpdateRange();
  void FollowActiveRecord(TDataEventInfo Shift, Integer& Distance);

  TDataSource* FDataSource = nullptr;
  Integer FFirstRecord = 0;  // dataset buffer shown in row 0
  Integer FBufferCount = 1;  // rows the owner shows
  bool FActive = false;
  bool FEditing = false;
  bool FReadOnly = false;
  bool FUpdating = false;  // inside UpdateRecord: own field changes are not echoed
  bool FVisualControl = false;
  bool FDataSourceFixed = false;
};

// TFieldDataLink: the link of a control that shows one field (by name). It
// finds the field when the dataset opens or its layout changes, tracks the
// control's Modified flag, and reports through its events.
class TFieldDataLink : public TDataLink {
  KV_CLASS(TFieldDataLink, TDataLink)
 public:
  TFieldDataLink() = default;

  TField* GetField() const { return FField; }
  const String& GetFieldName() const { return FFieldName; }
  void SetFieldName(const String& Value);
  TComponent* GetControl() const { return FControl; }
  void SetControl(TComponent* Value) { FControl = Value; }
  // The field can be written through this link.
  bool GetCanModify() const;
  bool GetEditing() const { return FEditing; }
  bool GetModified() const { return FModified; }
  void Modified() { FModified = true; }
  // Drops the pending change and re-reads the value (OnDataChange).
  void Reset();

  TNotifyEvent OnDataChange;
  TNotifyEvent OnEditingChange;
  TNotifyEvent OnUpdateData;
  TNotifyEvent OnActiveChange;

 protected:
  void ActiveChanged() override;
  void EditingChanged() override;
  void FocusControl(TField** Field) override;
  void LayoutChanged() override;
  void RecordChanged(TField* Field) override;
  void UpdateData() override;

 private:
  void UpdateField();
  void SetField(TField* Value);
  void UpdateRightToLeft() {}

  TField* FField = nullptr;
  String FFieldName;
  TComponent* FControl = nullptr;
  bool FEditing = false;   // the link edits and the field can be modified
  bool FModified = false;  // the control holds a value not yet written
};

// Focuses a field link's control when a field asks for it (FocusControl):
// answers true when the control took the focus. The controls module sets it;
// without it a field's focus request goes to no control.
extern TDelegate<bool(TComponent* Control)> FieldDataLinkFocusProc;

// The field named FieldName of DataSet for Control, raising "Field '%s' not
// found" in Control's name when it does not exist.
TField* GetFieldProperty(TDataSet* DataSet, TComponent* Control, const String& FieldName);

}  // namespace kvp
