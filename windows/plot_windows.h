// The five method windows and the point editor's plot window.
#pragma once

#include "windows/frm_plot_data.h"
#include "windows/frm_plott1.h"
#include "windows/frm_plott2.h"
#include "windows/frm_plott3.h"
#include "windows/frm_plott4.h"
#include "windows/frm_plott5.h"
