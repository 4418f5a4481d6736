<#
.SYNOPSIS
  Makes, starts, lists and politely stops named copies of HV-TEST-PROCESS-V1.exe on Windows.
.EXAMPLE
  .\hv-copies.ps1 start 10               # HV-TEST-PROCESS-1.exe ... -10.exe in %TEMP%\hv-copies
  .\hv-copies.ps1 list
  .\hv-copies.ps1 stop                   # closes each window (each stores its place) and waits
#>
param(
  [Parameter(Mandatory = $true, Position = 0)][ValidateSet('start', 'list', 'stop')][string]$Command,
  [Parameter(Position = 1)][string]$Count,
  [Parameter(Position = 2)][string]$Prefix = 'HV-TEST-PROCESS',
  [Parameter(Position = 3)][string]$Dir = (Join-Path $env:TEMP 'hv-copies'),
  [string]$Program = $env:HV_PROGRAM
)
$ErrorActionPreference = 'Stop'

function Fail([string]$message) { [Console]::Error.WriteLine("hv-copies: $message"); exit 1 }

# For list and stop the second word is the prefix.
if ($Command -ne 'start' -and $Count) { $Prefix = $Count }
if ($Prefix -notmatch '^[A-Za-z0-9._-]+$') { Fail "PREFIX may hold letters, digits, '.', '_' and '-' only: $Prefix" }

function Get-Copies {
  Get-Process -ErrorAction SilentlyContinue |
    Where-Object { $_.ProcessName -match "^$([regex]::Escape($Prefix))-\d+$" } |
    Sort-Object { [int]($_.ProcessName -replace '.*-', '') }
}

switch ($Command) {
  'start' {
    if ($Count -notmatch '^[1-9]\d*$') { Fail "N must be a whole number of 1 or more, not '$Count'" }
    if (-not $Program) { $Program = Join-Path $PSScriptRoot 'HV-TEST-PROCESS-V1.exe' }
    if (-not (Test-Path -PathType Leaf $Program)) { Fail "cannot find $Program; set HV_PROGRAM or -Program" }
    try { New-Item -ItemType Directory -Force -Path $Dir | Out-Null } catch { Fail "cannot create $Dir" }
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
