ardour {
	["type"]    = "dsp",
	name        = "Quelora Test Click",
	category    = "Utility",
	license     = "MIT",
	author      = "Obvik",
	description = [[Replaces its input by silence with one full-scale impulse on every channel at the transport sample set by "At", while the transport rolls. A headless session has no way to import a file, so the render test makes its click here.]]
}

function dsp_ioconfig ()
	return { { audio_in = -1, audio_out = -1 } }
end

function dsp_params ()
	return { { ["type"] = "input", name = "At", min = 0, max = 10000000, default = 12000, integer = true } }
end

function dsp_run (ins, outs, n_samples)
	for c = 1, #outs do
		ARDOUR.DSP.memset (outs[c], 0, n_samples)
	end
	if not Session:transport_rolling () then return end
	local at = CtrlPorts:array ()[1]
	local start = Session:transport_sample ()
	if at >= start and at < start + n_samples then
		for c = 1, #outs do
			outs[c]:array ()[at - start + 1] = 1.0
		end
	end
end
