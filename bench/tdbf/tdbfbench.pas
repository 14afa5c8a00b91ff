{ The register's table operations with fcl-db's TDbf, for comparison with
  bench/bench_tablevs.cpp: the same 15 fields, 10,000 records, the same
  operations. Prints one line per operation: name and milliseconds.
  "tdbfbench DIR print FILE" instead prints every record of DIR/FILE, its
  fields tab-separated, as `ekowarta-cli list` does (for memory-side-by-side.sh). }
program tdbfbench;

{$mode objfpc}{$H+}

uses
  SysUtils, Classes, DB, Dbf, Dbf_Common;

var
  Dir: string;

function Ms: Int64;
begin
  Result := GetTickCount64;
end;

function OpenTable(const Name: string; Excl: Boolean): TDbf;
begin
  Result := TDbf.Create(nil);
  Result.FilePathFull := Dir;
  Result.TableName := Name;
  Result.TableLevel := 7;
  Result.Exclusive := Excl;
  Result.Open;
end;

procedure CreateTable(const Name: string);
var
  T: TDbf;
begin
  DeleteFile(Dir + Name);
  T := TDbf.Create(nil);
  try
    T.FilePathFull := Dir;
    T.TableName := Name;
    T.TableLevel := 7;
    T.Exclusive := True;
    T.FieldDefs.Add('LP', ftAutoInc, 0, True);
    T.FieldDefs.Add('GMINA', ftString, 40, True);
    T.FieldDefs.Add('NATURA2000', ftString, 60, True);
    T.FieldDefs.Add('WOJEWODZTWO', ftString, 20, True);
    T.FieldDefs.Add('AKTUALIZACJA', ftDate, 0, False);
    T.FieldDefs.Add('DATAKONTROLI', ftDate, 0, False);
    T.FieldDefs.Add('SIZE', ftInteger, 0, False);
    T.FieldDefs.Add('ROW', ftInteger, 0, False);
    T.FieldDefs.Add('TAG', ftInteger, 0, False);
    T.FieldDefs.Add('KOD', ftInteger, 0, False);
    T.FieldDefs.Add('DOM', ftString, 250, False);
    T.FieldDefs.Add('INFO', ftString, 250, False);
    T.FieldDefs.Add('BIP', ftString, 250, False);
    T.FieldDefs.Add('UWAGI', ftString, 50, False);
    T.FieldDefs.Add('Z', ftInteger, 0, False);
    T.CreateTable;
  finally
    T.Free;
  end;
end;

{ An import as the program does it: rows appended with the editor's
  fields, kod 0. }
procedure Import(const Name: string; Rows: Integer);
var
  T: TDbf;
  I: Integer;
begin
  T := OpenTable(Name, True);
  try
    for I := 0 to Rows - 1 do
    begin
      T.Append;
      T.FieldByName('GMINA').AsString := 'Gmina ' + IntToStr(I);
      T.FieldByName('NATURA2000').AsString := 'Dolina Srodkowej Wisly PLB' + IntToStr(I);
      T.FieldByName('WOJEWODZTWO').AsString := 'mazowieckie';
      T.FieldByName('DOM').AsString := 'http://www.gmina' + IntToStr(I) + '.pl';
      T.FieldByName('INFO').AsString := 'http://www.gmina' + IntToStr(I) + '.pl/ochrona-srodowiska/informacje.html';
      T.FieldByName('BIP').AsString := 'http://bip.gmina' + IntToStr(I) + '.pl';
      T.FieldByName('KOD').AsInteger := 0;
      T.Post;
    end;
    T.Close;
  finally
    T.Free;
  end;
end;

procedure Mark(const Name: string; RecNo, Value: Integer);
var
  T: TDbf;
begin
  T := OpenTable(Name, True);
  try
    T.PhysicalRecNo := RecNo;
    T.Edit;
    T.FieldByName('KOD').AsInteger := Value;
    T.Post;
    T.Close;
  finally
    T.Free;
  end;
end;

function List(const Name: string): Int64;
var
  T: TDbf;
  F: Integer;
begin
  Result := 0;
  T := OpenTable(Name, False);
  try
    T.First;
    while not T.EOF do
    begin
      for F := 0 to T.FieldCount - 1 do
        Inc(Result, Length(T.Fields[F].AsString));
      T.Next;
    end;
    T.Close;
  finally
    T.Free;
  end;
end;

procedure PackTable(const Name: string);
var
  T: TDbf;
begin
  T := OpenTable(Name, True);
  try
    T.PackTable;
    T.Close;
  finally
    T.Free;
  end;
end;

procedure PrintAll(const Name: string);
var
  T: TDbf;
  F: Integer;
  Line: string;
begin
  T := OpenTable(Name, False);
  try
    T.First;
    while not T.EOF do
    begin
      Line := IntToStr(T.PhysicalRecNo);
      for F := 0 to T.FieldCount - 1 do
        Line := Line + #9 + T.Fields[F].AsString;
      WriteLn(Line);
      T.Next;
    end;
    T.Close;
  finally
    T.Free;
  end;
end;

procedure Report(const What: string; TotalMs: Int64; Times: Integer);
begin
  WriteLn(Format('%-12s %10.3f', [What, TotalMs / Times]));
end;

var
  Start: Int64;
  I, Times: Integer;
  Sum: Int64;
begin
  Dir := IncludeTrailingPathDelimiter(ParamStr(1));
  ForceDirectories(Dir);
  if ParamStr(2) = 'print' then
  begin
    PrintAll(ParamStr(3));
    Exit;
  end;

  for I := 1 to 2 do
  begin
    CreateTable('import.dbf');
    Start := Ms;
    Import('import.dbf', I * 10000);
    Report('import' + IntToStr(I * 10000), Ms - Start, 1);
  end;

  CreateTable('baza.dbf');
  Import('baza.dbf', 10000);

  Times := 200;
  Start := Ms;
  for I := 1 to Times do
    Mark('baza.dbf', 1 + (I * 37) mod 10000, I mod 4);
  Report('mark', Ms - Start, Times);

  Times := 10;
  Sum := 0;
  Start := Ms;
  for I := 1 to Times do
    Inc(Sum, List('baza.dbf'));
  Report('list', Ms - Start, Times);

  Times := 10;
  Start := Ms;
  for I := 1 to Times do
    PackTable('baza.dbf');
  Report('pack', Ms - Start, Times);
  if Sum < 0 then
    WriteLn(Sum);
end.
