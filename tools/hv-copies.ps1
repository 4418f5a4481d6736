<#
.SYNOPSIS
  Makes, starts, lists and politely stops named copies of HV-TEST-PROCESS-V1.exe on Windows.
.EXAMPLE
  .\hv-copies.ps1 start 10               # HV-TEST-PROCESS-1.exe ... -10.exe in %TEMP%\hv-copies
  .\hv-copies.ps1 start 10 -Grid         # side by side over the screen, where no place is stored
  .\hv-copies.ps1 list                   # every running copy of the program, whatever its name
  .\hv-copies.ps1 stop                   # closes each window (each stores its place) and waits
#>
param(
  [Parameter(Mandatory = $true, Position = 0)][ValidateSet('start', 'list', 'stop')][string]$Command,
  [Parameter(Position = 1)][string]$Count,
  [Parameter(Position = 2)][string]$Prefix = 'HV-TEST-PROCESS',
  [Parameter(Position = 3)][string]$Dir = (Join-Path $env:TEMP 'hv-copies'),
  [string]$Program = $env:HV_PROGRAM,
  [switch]$Grid,
  [switch]$GridAll
)
$ErrorActionPreference = 'Stop'

function Fail([string]$message) { [Console]::Error.WriteLine("hv-copies: $message"); exit 1 }

# For list and stop the second word is the prefix; without it they cover every copy.
$AnyName = $Command -ne 'start' -and -not $Count
if ($Command -ne 'start' -and $Count) { $Prefix = $Count }
if (-not $Program) { $Program = Join-Path $PSScriptRoot 'HV-TEST-PROCESS-V1.exe' }
if ($Prefix -notmatch '^[A-Za-z0-9._-]+$') { Fail "PREFIX may hold letters, digits, '.', '_' and '-' only: $Prefix" }

function Get-Copies {
  if ($AnyName) {
    if (-not (Test-Path -PathType Leaf $Program)) { Fail "cannot find $Program; set HV_PROGRAM or -Program" }
    # The same program under any name: a hard link or a copy has the same bytes.
    $want = (Get-FileHash -Algorithm SHA256 $Program).Hash
    $hashes = @{}
    Get-Process -ErrorAction SilentlyContinue | Where-Object { $_.Path } | Where-Object {
      if (-not $hashes.ContainsKey($_.Path)) {
        $hashes[$_.Path] = (Get-FileHash -Algorithm SHA256 $_.Path -ErrorAction SilentlyContinue).Hash
      }
      $hashes[$_.Path] -eq $want
    } | Sort-Object ProcessName, Id
    return
  }
  Get-Process -ErrorAction SilentlyContinue |
    Where-Object { $_.ProcessName -match "^$([regex]::Escape($Prefix))-\d+$" } |
    Sort-Object { [int]($_.ProcessName -replace '.*-', '') }
}

# Places copies 1..N side by side over the primary screen in twips, a cell being the window's
# design size and a 120-twip gap; what does not fit goes on layers offset by a title bar. The
# registry is the store, so each value is written whole.
function Set-GridPlaces([int]$n, [bool]$all) {
  Add-Type -AssemblyName System.Windows.Forms, System.Drawing
  $screen = [System.Windows.Forms.Screen]::PrimaryScreen.WorkingArea
  $graphics = [System.Drawing.Graphics]::FromHwnd([IntPtr]::Zero)
  $twips = 1440 / $graphics.DpiX
  $graphics.Dispose()
  $cellW = 11040 + 120; $cellH = 4410 + 120; $title = 330
  $columns = [Math]::Max(1, [Math]::Floor($screen.Width * $twips / $cellW))
  $rows = [Math]::Max(1, [Math]::Floor($screen.Height * $twips / $cellH))
  $perLayer = $columns * $rows
  if ($n -gt $perLayer) { [Console]::Error.WriteLine("hv-copies: $perLayer copies fit the screen side by side; the rest go on layers offset by a title bar") }
  for ($i = 1; $i -le $n; $i++) {
    $key = "HKCU:\Software\HV_TEST_PROCESS\$Prefix-$i"
    if (-not $all -and (Get-ItemProperty -Path $key -Name MAIN_Left -ErrorAction SilentlyContinue)) { continue }
    $at = $i - 1; $layer = [Math]::Floor($at / $perLayer); $cell = $at % $perLayer
    New-Item -Force -Path $key -ErrorAction SilentlyContinue | Out-Null
    $left = [int](($cell % $columns) * $cellW + $layer * $title)
    $top = [int]([Math]::Floor($cell / $columns) * $cellH + $layer * $title)
    New-ItemProperty -Force -Path $key -Name MAIN_Left -PropertyType String -Value "$left" | Out-Null
    New-ItemProperty -Force -Path $key -Name MAIN_Top -PropertyType String -Value "$top" | Out-Null
  }
}

switch ($Command) {
  'start' {
    if ($Count -notmatch '^[1-9]\d*$') { Fail "N must be a whole number of 1 or more, not '$Count'" }
    if (-not (Test-Path -PathType Leaf $Program)) { Fail "cannot find $Program; set HV_PROGRAM or -Program" }
    try { New-Item -ItemType Directory -Force -Path $Dir | Out-Null } catch { Fail "cannot create $Dir" }
    if ($Grid -or $GridAll) { Set-GridPlaces ([int]$Count) ([bool]$GridAll) }
    for ($i = 1; $i -le [int]$Count; $i++) {
      $copy = Join-Path $Dir "$Prefix-$i.exe"
      # A hard link where the file system allows, a copy otherwise.
      try { New-Item -ItemType HardLink -Force -Path $copy -Target $Program | Out-Null }
      catch { try { Copy-Item -Force $Program $copy } catch { Fail "$Dir is not writable" } }
      $process = Start-Process -FilePath $copy -PassThru
      "$Prefix-$i $($process.Id)"
    }
  }
  'list' { Get-Copies | ForEach-Object { "$($_.ProcessName) $($_.Id)" } }
  'stop' {
    $copies = @(Get-Copies)
    # CloseMainWindow sends WM_CLOSE, the same as the close box: each copy stores its place.
    foreach ($copy in $copies) { [void]$copy.CloseMainWindow() }
    foreach ($copy in $copies) {
      if (-not $copy.WaitForExit(30000)) { Fail "copy $($copy.Id) did not close in time" }
    }
    "stopped $($copies.Count) copies"
  }
}
